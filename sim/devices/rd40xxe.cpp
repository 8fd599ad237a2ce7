#include "devices/rd40xxe.h"

#include "devices/hv_module.h"
#include "devices/hv_rows.h"

namespace sim {

namespace {

constexpr int kHighDecimals = 2; // IMDECH
constexpr int kLowDecimals = 4;  // IMDECL
constexpr double kLowCeiling = 300; // uA: the low range saturates here (IMAXL)

ParamTable table_of(bool imon_range) {
    ParamTable t = joined({
        hv_identification_rows(),
        {
            on_off("BDILK", Scope::Board, Access::R, "YES", "NO", false, "interlock active"),
            status("BDALARM", Scope::Board, "alarm word: bit n channel n tripped, latched"),
            action("BDCLR", Scope::Board, "clear the alarm word and the channel trips"),
        },
        hv_channel_rows(imon_range),
        limit_rows("VMIN", "VMAX", "VSDEC", 0, 8000, 1, "VSET"),
        {constant("VMDEC", Scope::Either, 1, "VMON decimals")},
        limit_rows("IMIN", "IMAXH", "ISDEC", 0, 3000, 2, "ISET (high range)"),
        {constant("IMDECH", Scope::Either, kHighDecimals, "IMON decimals, high range")},
        limit_rows("MVMIN", "MVMAX", "MVDEC", 0, 8100, 0, "MAXV"),
        limit_rows("RUPMIN", "RUPMAX", "RUPDEC", 1, 500, 0, "RUP"),
        limit_rows("RDWMIN", "RDWMAX", "RDWDEC", 1, 500, 0, "RDW"),
        limit_rows("TRIPMIN", "TRIPMAX", "TRIPDEC", 0, 1000, 1, "TRIP"),
    });
    if (imon_range) {
        t.push_back(constant("IMAXL", Scope::Either, kLowCeiling, "ISET maximum, low range"));
        t.push_back(constant("IMDECL", Scope::Either, kLowDecimals, "IMON decimals, low range"));
    }
    return t;
}

const ParamTable kWithRange = table_of(true);
const ParamTable kWithoutRange = table_of(false);

class Rd40xxe : public HvModule {
public:
    Rd40xxe(int channels, bool imon_range)
        : HvModule(imon_range ? kWithRange : kWithoutRange, channels, standard_hv_words()),
          imrange_(index_of("IMRANGE")) {}

protected:
    bool low(int ch) const { return imrange_ >= 0 && number(imrange_, ch) != 0; }
    int imon_decimals(int ch) const override { return low(ch) ? kLowDecimals : kHighDecimals; }
    double imon_ceiling(int ch) const override {
        return low(ch) ? kLowCeiling : HvModule::imon_ceiling(ch);
    }

private:
    int imrange_;
};

} // namespace

std::unique_ptr<Device> make_rd40xxe(int channels, bool imon_range) {
    return std::make_unique<Rd40xxe>(channels, imon_range);
}

std::string rd40xxe_notes() {
    return R"(Channel status word (STAT), as the Q3815's:
  bit 0 on; 1 ramping up; 2 switched off and still ramping down (never set while
  on); 3 over-current (held at ISET); 5 under-voltage (held below VSET by the
  current limit); 6 VSET above MAXV; 7 tripped (after TRIP seconds at the
  current limit; until ON or BDCLR); 11 killed (PDWN KILL); 12 interlock active.
  IMON has IMDECH (2) decimals in the HIGH range, IMDECL (4) in the LOW range,
  where it saturates at IMAXL (300 uA). With --no-range the module has no
  IMRANGE, IMAXL or IMDECL: they are refused PAR, as such a module does.
  The load is resistive: IMON = VMON / LOAD (uA, MOhm; default 100 MOhm).
)";
}

} // namespace sim
