#include "devices/amplifier.h"

namespace sim {

ParamTable amplifier_identification() {
    return {
        text("BDNAME", Scope::Board, Access::R, "", "model name"),
        constant("BDNCH", Scope::Board, kAmplifierChannels, "number of channels"),
        text("BDFREL", Scope::Board, Access::R, "1.0", "firmware release major.minor"),
        constant("SERNUM", Scope::Board, 0, "serial number"),
    };
}

ParamTable with_identification(ParamTable rows) {
    ParamTable t = amplifier_identification();
    t.insert(t.end(), rows.begin(), rows.end());
    return t;
}

} // namespace sim
