#include "devices/hv_rows.h"

#include <string>

namespace sim {

ParamTable hv_identification_rows() {
    return {
        text("BDNAME", Scope::Board, Access::R, "", "model name"),
        constant("BDNCH", Scope::Board, 0, "number of channels"),
        text("BDFREL", Scope::Board, Access::R, "1.0", "firmware release major.minor"),
        constant("BDSNUM", Scope::Board, 0, "serial number"),
    };
}

ParamTable hv_channel_rows(bool imon_range) {
    ParamTable t = {
        number("VSET", Scope::Channel, Access::RW, 0, 8000, 4, 1, 0, "voltage set point, V"),
        number("VMON", Scope::Channel, Access::R, 0, 10000, 4, 1, 0, "voltage monitor, V"),
        number("ISET", Scope::Channel, Access::RW, 0, 3000, 4, 2, 100, "current limit, uA"),
        number("IMON", Scope::Channel, Access::R, 0, 5000, 4, 2, 0, "current monitor, uA"),
        number("MAXV", Scope::Channel, Access::RW, 0, 8100, 4, 0, 8100, "voltage limit, V"),
        number("RUP", Scope::Channel, Access::RW, 1, 500, 3, 0, 100, "ramp-up rate, V/s"),
        number("RDW", Scope::Channel, Access::RW, 1, 500, 3, 0, 100, "ramp-down rate, V/s"),
        number("TRIP", Scope::Channel, Access::RW, 0, 1000, 4, 1, 10,
               "time at the current limit before a trip, s (0: at once)"),
        on_off("PDWN", Scope::Channel, Access::RW, "RAMP", "KILL", true,
               "power-down after a trip or interlock: ramp down or kill"),
        on_off("POL", Scope::Channel, Access::R, "-", "+", false, "output polarity"),
        status("STAT", Scope::Channel, "channel status word"),
        action("ON", Scope::Channel, "switch the channel on"),
        action("OFF", Scope::Channel, "switch the channel off"),
    };
    if (imon_range)
        t.insert(t.begin() + 3, on_off("IMRANGE", Scope::Channel, Access::RW, "LOW", "HIGH", false,
                                       "current monitor range (LOW: 4 decimals, HIGH: 2)"));
    return t;
}

ParamTable limit_rows(const char* min_word, const char* max_word, const char* dec_word,
                      double min, double max, int decimals, const char* of) {
    const std::string what = of;
    return {
        constant(min_word, Scope::Either, min, what + " minimum"),
        constant(max_word, Scope::Either, max, what + " maximum"),
        constant(dec_word, Scope::Either, decimals, what + " decimals"),
    };
}

ParamTable joined(std::initializer_list<ParamTable> parts) {
    ParamTable t;
    for (const auto& p : parts) t.insert(t.end(), p.begin(), p.end());
    return t;
}

} // namespace sim
