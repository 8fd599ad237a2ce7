#pragma once
// One row of a simulated module's parameter table: the word the module
// understands after "PAR:", whether it belongs to the board or to each
// channel, who may read or write it, and how its value looks on the wire.

#include <string>
#include <vector>

namespace sim {

enum class Scope {
    Board,   // addressed without a channel piece
    Channel, // addressed with "CH:n"
    Either,  // constants a client may ask either way (the limit words)
};
enum class Access { R, W, RW };
enum class Kind {
    Number, // decimal, answered zero-padded: int_digits integer digits, decimals
    OnOff,  // two protocol texts (the amplifiers use "1" and "0")
    Enum,   // an index min..max, answered as a plain number
    Text,   // a short name
    Status, // a bit word, answered "%05d"
    Action, // a set without value (ON, OFF, BDCLR)
};

struct ParamDef {
    std::string mnemonic;
    Scope scope = Scope::Channel;
    Access access = Access::RW;
    Kind kind = Kind::Number;
    double min = 0;
    double max = 0;
    int int_digits = 1;
    int decimals = 0;
    double initial = 0;
    std::string on_text = "1";
    std::string off_text = "0";
    std::string initial_text;
    std::string help;
    // An on/off word that also takes 1 and 0 from the wire (a line language
    // whose clients write switches as integers).
    bool digits_switch = false;
};

using ParamTable = std::vector<ParamDef>;

// Row builders, so that a device table reads as a table.
ParamDef number(std::string mn, Scope s, Access a, double min, double max, int int_digits,
                int decimals, double initial, std::string help);
ParamDef on_off(std::string mn, Scope s, Access a, std::string on, std::string off,
                bool initially_on, std::string help);
ParamDef enumeration(std::string mn, Scope s, Access a, int max, int initial, std::string help);
ParamDef text(std::string mn, Scope s, Access a, std::string initial, std::string help);
ParamDef status(std::string mn, Scope s, std::string help);
ParamDef action(std::string mn, Scope s, std::string help);
// A read-only whole number answered as plain digits (identification, limits).
ParamDef constant(std::string mn, Scope s, double value, std::string help);

} // namespace sim
