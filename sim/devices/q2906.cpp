#include "devices/amplifier.h"
#include "devices/amplifier_rows.h"

namespace sim {

namespace {

// The AUX path has its own words for fine and coarse gain, as the slow path
// has: AUXFGAIN and AUXCGAIN are two registers.
const ParamTable kTable = with_identification({
    amp_number("BDOFFSET", Scope::Board, 255, 1, 128, "output offset"),
    amp_number("BDMULTITHR", Scope::Board, 255, 1, 1, "multiplicity threshold"),
    amp_name(),
    amp_enum("SHAPE", 2, 1, "shaping time index (200, 400, 800 ns)"),
    amp_number("SLOWFGAIN", Scope::Channel, 191, 1, 96, "slow path fine gain"),
    amp_number("AUXFGAIN", Scope::Channel, 191, 1, 96, "AUX path fine gain"),
    amp_enum("SLOWCGAIN", 3, 0, "slow path coarse gain index (1X .. 64X)"),
    amp_enum("AUXCGAIN", 3, 0, "AUX path coarse gain index (1X .. 64X)"),
    amp_switch("PUR", Scope::Channel, false, "pile-up rejection enable"),
    amp_enum("MUX", 2, 0, "monitor multiplexer (0 off, 1 slow, 2 fast/AUX)"),
    amp_enum("OUTSEL", 1, 0, "output select (0 fast, 1 AUX)"),
    amp_number("THR", Scope::Channel, 4000, 1, 100, "discriminator threshold"),
    amp_switch("CFDED", Scope::Channel, false, "CFD delay enable"),
    amp_number("CFDDEL", Scope::Channel, 31, 1, 10, "CFD delay"),
    amp_number("CFDWDT", Scope::Channel, 31, 1, 10, "CFD output width"),
    amp_number("ORWDT", Scope::Channel, 31, 1, 10, "OR output width"),
    amp_switch("OR", Scope::Channel, false, "OR output enable"),
});

} // namespace

const ParamTable& q2906_table() { return kTable; }
std::unique_ptr<Device> make_q2906() { return std::make_unique<Device>(kTable, kAmplifierChannels); }

} // namespace sim
