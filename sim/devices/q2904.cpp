#include "devices/amplifier.h"
#include "devices/amplifier_rows.h"

namespace sim {

namespace {

const ParamTable kTable = with_identification({
    amp_number("BDOFFSET", Scope::Board, 255, 1, 128, "output offset"),
    amp_number("BDMULTITHR", Scope::Board, 255, 1, 1, "multiplicity threshold"),
    amp_name(),
    amp_enum("MUX", 2, 0, "monitor multiplexer (0 off, 1 energy, 2 timing)"),
    amp_switch("POL", Scope::Channel, true, "input polarity (1 negative, 0 positive)"),
    amp_enum("SHAPE", 4, 1, "shaping time index"),
    amp_enum("CGAIN", 7, 0, "coarse gain index (x2 .. x256)"),
    amp_number("FGAIN", Scope::Channel, 127, 1, 64, "fine gain"),
    amp_number("PZADJ", Scope::Channel, 255, 1, 128, "pole-zero adjustment"),
    amp_enum("TGAIN", 1, 0, "timing gain index (x1, x4)"),
    amp_enum("TINT", 1, 0, "timing integration index"),
    amp_enum("TDIFF", 1, 0, "timing differentiation index"),
    amp_number("OFFADJTST", Scope::Channel, 65535, 1, 32768, "offset adjustment"),
    amp_number("THR", Scope::Channel, 4095, 1, 100, "discriminator threshold"),
    amp_switch("CFDED", Scope::Channel, false, "CFD delay enable"),
    amp_number("CFDDEL", Scope::Channel, 31, 1, 10, "CFD delay"),
    amp_number("CFDWDT", Scope::Channel, 31, 1, 10, "CFD output width"),
    amp_switch("OR", Scope::Channel, true, "OR output (1 disabled, 0 enabled)"),
    amp_number("ORWDT", Scope::Channel, 31, 1, 10, "OR output width"),
    amp_switch("PUR", Scope::Channel, false, "pile-up rejection enable"),
});

} // namespace

const ParamTable& q2904_table() { return kTable; }
std::unique_ptr<Device> make_q2904() { return std::make_unique<Device>(kTable, kAmplifierChannels); }

} // namespace sim
