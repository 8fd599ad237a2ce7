#include "devices/q3815.h"

#include "devices/hv_module.h"
#include "devices/hv_rows.h"

namespace sim {

namespace {

const ParamTable kTable = joined({
    hv_identification_rows(),
    {
        on_off("BDILK", Scope::Board, Access::R, "YES", "NO", false, "interlock active"),
        on_off("BDILKM", Scope::Board, Access::RW, "CLOSED", "OPEN", false,
               "interlock mode: the connector state that fires the interlock"),
        on_off("BDCTR", Scope::Board, Access::R, "LOCAL", "REMOTE", false, "control mode"),
        on_off("BDTERM", Scope::Board, Access::R, "ON", "OFF", false, "line termination switch"),
        status("BDALARM", Scope::Board,
               "alarm word: bits 0-3 channel 0-3 tripped (channels 4-7 in bits 8-11), latched"),
        action("BDCLR", Scope::Board, "clear the alarm word and the channel trips"),
    },
    hv_channel_rows(true),
    // Limits the module reports, in the unit of their parameter.
    limit_rows("VMIN", "VMAX", "VDEC", 0, 8000, 1, "VSET"),
    limit_rows("IMIN", "IMAX", "ISDEC", 0, 3000, 2, "ISET"),
    limit_rows("MVMIN", "MVMAX", "MVDEC", 0, 8100, 0, "MAXV"),
    limit_rows("RUPMIN", "RUPMAX", "RUPDEC", 1, 500, 0, "RUP"),
    limit_rows("RDWMIN", "RDWMAX", "RDWDEC", 1, 500, 0, "RDW"),
    limit_rows("TRIPMIN", "TRIPMAX", "TRIPDEC", 0, 1000, 1, "TRIP"),
    {constant("IMDEC", Scope::Channel, 2, "IMON decimals in the channel's present range")},
});

constexpr int kLowDecimals = 4;
constexpr int kHighDecimals = 2;

// The Q3815 adds to the high-voltage module: an interlock input whose firing
// state is chosen by BDILKM, a current monitor with two ranges per channel,
// and local control shown in BDCTR.
class Q3815 : public HvModule {
public:
    explicit Q3815(int channels)
        : HvModule(kTable, channels, standard_hv_words()), imrange_(index_of("IMRANGE")),
          imdec_(index_of("IMDEC")), bdilkm_(index_of("BDILKM")), bdctr_(index_of("BDCTR")) {}

    std::optional<std::optional<Refusal>> panel_set(std::string_view mn, int ch,
                                                    std::string_view value) override {
        if (same_ignoring_case(mn, "BDCTR")) {
            if (value == "LOCAL" || value == "1") local = true;
            else if (value == "REMOTE" || value == "0") local = false;
            else return Refusal::Val;
            return std::optional<Refusal>{};
        }
        return HvModule::panel_set(mn, ch, value);
    }

    std::vector<std::string> panel_help() const override {
        auto h = HvModule::panel_help();
        h.push_back(panel_entry("BDCTR -1 LOCAL|REMOTE", "same as \"local <board> on|off\""));
        h.push_back(panel_entry("POL <ch> +|-", "the polarity switch"));
        h.push_back(panel_entry("BDTERM -1 ON|OFF", "the line termination switch"));
        return h;
    }

protected:
    std::optional<std::string> computed(int idx, int ch) const override {
        if (idx == imdec_) return std::to_string(imon_decimals(ch));
        if (idx == bdctr_) return local ? "LOCAL" : "REMOTE";
        return HvModule::computed(idx, ch);
    }

    // The interlock fires when the connector is in the state BDILKM names;
    // the front panel moves the connector into the state that fires (or
    // releases) it under the present mode.
    bool interlock_fired() const override { return connector_closed_ == mode_closed(); }
    void set_interlock(bool fire) override {
        connector_closed_ = fire ? mode_closed() : !mode_closed();
    }
    int imon_decimals(int ch) const override {
        return number(imrange_, ch) != 0 ? kLowDecimals : kHighDecimals;
    }
    // Channels 0-3 in bits 0-3, channels 4-7 in bits 8-11.
    unsigned alarm_bit(int ch) const override { return ch < 4 ? 1u << ch : 1u << (8 + ch - 4); }

private:
    bool mode_closed() const { return number(bdilkm_, 0) != 0; }

    bool connector_closed_ = true; // the loop is closed: with mode OPEN nothing fires
    int imrange_, imdec_, bdilkm_, bdctr_;
};

} // namespace

const ParamTable& q3815_table() { return kTable; }

std::string q3815_notes() {
    return R"(Channel status word (STAT):
  bit 0 on; 1 ramping up; 2 switched off and still ramping down (never set while
  on); 3 over-current (held at ISET); 5 under-voltage (held below VSET by the
  current limit); 6 VSET above MAXV (the output stops at MAXV); 7 tripped (after
  TRIP seconds at the current limit; until ON or BDCLR); 11 killed (PDWN KILL:
  the trip or interlock dropped the output at once); 12 interlock active.
  A switched-off channel ramps down at RDW. The load is resistive: IMON = VMON /
  LOAD (uA, MOhm; default 100 MOhm). The interlock fires when the connector is
  in the state BDILKM names (connector closed at start, mode OPEN).
)";
}

std::unique_ptr<Device> make_q3815(int channels) { return std::make_unique<Q3815>(channels); }

} // namespace sim
