#include "devices/amplifier.h"
#include "devices/amplifier_rows.h"

namespace sim {

namespace {

const ParamTable kTable = with_identification({
    amp_number("OFFSET", Scope::Board, 255, 3, 128, "output offset"),
    amp_switch("MUXEN", Scope::Board, false, "multiplexed monitor output enable"),
    number("LASTCH", Scope::Board, Access::R, 0, 15, 2, 0, 0,
           "channel shown on the monitor output: the last one adjusted"),
    amp_name(),
    amp_enum("CGAIN", 7, 0, "coarse gain index (x1 .. x128)"),
    amp_number("FGAIN", Scope::Channel, 255, 3, 128, "fine gain"),
    amp_enum("SHAPE", 3, 1, "shaping time index"),
    amp_switch("CONF", Scope::Channel, false, "output configuration (1 inverted, 0 direct)"),
    amp_switch("POL", Scope::Channel, false, "output polarity (1 negative, 0 positive)"),
    amp_number("PZADJ", Scope::Channel, 255, 3, 128, "pole-zero adjustment"),
});

// The monitor output follows the channel that was adjusted last.
class P731X : public Device {
public:
    P731X() : Device(kTable, kAmplifierChannels), lastch_(index_of("LASTCH")) {}

protected:
    void changed(int idx, int ch, Origin) override {
        if (table()[idx].scope == Scope::Channel) set_number(lastch_, 0, ch);
    }

private:
    int lastch_;
};

} // namespace

const ParamTable& p731x_table() { return kTable; }
std::unique_ptr<Device> make_p731x() { return std::make_unique<P731X>(); }

} // namespace sim
