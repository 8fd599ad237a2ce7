#pragma once
// Row shorthands of the amplifier tables: numbers answered with the set
// width W of the family's table ("%0W.0f" on the way in, zero-padded W
// digits on the way out), switches as 1 and 0.

#include "model/param.h"

namespace sim {

ParamTable with_identification(ParamTable rows);

inline ParamDef amp_number(const char* mn, Scope s, int max, int width, int initial,
                           const char* help) {
    return number(mn, s, Access::RW, 0, max, width, 0, initial, help);
}
inline ParamDef amp_switch(const char* mn, Scope s, bool on, const char* help) {
    return on_off(mn, s, Access::RW, "1", "0", on, help);
}
inline ParamDef amp_enum(const char* mn, int max, int initial, const char* help) {
    return enumeration(mn, Scope::Channel, Access::RW, max, initial, help);
}
inline ParamDef amp_name() {
    return text("NAME", Scope::Channel, Access::R, "", "channel name (CH00..CH15 at start)");
}

} // namespace sim
