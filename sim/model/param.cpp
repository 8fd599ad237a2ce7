#include "model/param.h"

#include <utility>

namespace sim {

ParamDef number(std::string mn, Scope s, Access a, double min, double max, int int_digits,
                int decimals, double initial, std::string help) {
    ParamDef p;
    p.mnemonic = std::move(mn);
    p.scope = s;
    p.access = a;
    p.kind = Kind::Number;
    p.min = min;
    p.max = max;
    p.int_digits = int_digits;
    p.decimals = decimals;
    p.initial = initial;
    p.help = std::move(help);
    return p;
}

ParamDef on_off(std::string mn, Scope s, Access a, std::string on, std::string off,
                bool initially_on, std::string help) {
    ParamDef p;
    p.mnemonic = std::move(mn);
    p.scope = s;
    p.access = a;
    p.kind = Kind::OnOff;
    p.max = 1;
    p.on_text = std::move(on);
    p.off_text = std::move(off);
    p.initial = initially_on ? 1 : 0;
    p.help = std::move(help);
    return p;
}

ParamDef enumeration(std::string mn, Scope s, Access a, int max, int initial, std::string help) {
    ParamDef p;
    p.mnemonic = std::move(mn);
    p.scope = s;
    p.access = a;
    p.kind = Kind::Enum;
    p.max = max;
    p.initial = initial;
    p.help = std::move(help);
    return p;
}

ParamDef text(std::string mn, Scope s, Access a, std::string initial, std::string help) {
    ParamDef p;
    p.mnemonic = std::move(mn);
    p.scope = s;
    p.access = a;
    p.kind = Kind::Text;
    p.initial_text = std::move(initial);
    p.help = std::move(help);
    return p;
}

ParamDef status(std::string mn, Scope s, std::string help) {
    ParamDef p;
    p.mnemonic = std::move(mn);
    p.scope = s;
    p.access = Access::R;
    p.kind = Kind::Status;
    p.max = 65535;
    p.help = std::move(help);
    return p;
}

ParamDef action(std::string mn, Scope s, std::string help) {
    ParamDef p;
    p.mnemonic = std::move(mn);
    p.scope = s;
    p.access = Access::W;
    p.kind = Kind::Action;
    p.help = std::move(help);
    return p;
}

ParamDef constant(std::string mn, Scope s, double value, std::string help) {
    ParamDef p = number(std::move(mn), s, Access::R, value, value, 1, 0, value, std::move(help));
    return p;
}

} // namespace sim
