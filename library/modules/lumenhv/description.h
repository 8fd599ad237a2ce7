// What a self-describing LUMENHV module tells about its parameters, read
// from its replies: the names it lists (PARLIST, PARCHLIST) and the
// description of each (INFO).  Pure functions over text, fuzzed on their
// own; nothing here talks to a module.
//
//   PARLIST    "Temp;BdIlk;BdAlarm;ClearAlarm"
//   INFO VSet  "0;2;0;3000;1;;volt;;;"   type;mode;min;max;decimals;small;unit;on;off;
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "modules/row.h"

namespace zevahv::modules::lumenhv {

// A listed name is kept up to this many characters.
inline constexpr std::size_t kListedNameMax = kMnemonicSize - 1;

// The names of a list reply, in order: the text split at ';', empty names
// (an empty list, a trailing ';') dropped, each cut to kListedNameMax.
std::vector<std::string_view> parse_name_list(std::string_view text);

// A name that can go on the wire as the word of a command: not empty, and
// none of the characters that end a line or a piece of it.
bool sendable_name(std::string_view name);

struct Description {
    int type = 0;          // parameter type code
    int mode = 0;          // access mode
    double min = 0;
    double max = 0;
    int decimals = 0;
    int small = 1;         // the sixth field (1 when empty); not used
    int unit = 0;          // unit code (unit_code)
    std::string on;        // state texts, as sent and shown
    std::string off;
};

// A description reply: exactly nine ';' separators and numbers where the
// fields need them (type, mode, decimals and a non-empty sixth field
// integers; minimum and maximum decimal numbers with a point).  False when
// it does not parse.
bool parse_description(std::string_view text, Description *out);

// The unit code of a unit name ("volt" 2 ... "bit" 11); 0 for any other.
int unit_code(std::string_view name);

// The row a description makes for the listed name: its first 15 characters
// as the client name, the name itself as the word, the integer digits of
// its set format from the maximum (8000: 4).  False when the library cannot
// carry it: a type or mode it does not know, limits that are not finite,
// beyond 1e15 or the wrong way round, more than 20 decimals, state texts
// longer than their fields, or a name that cannot be sent.
bool row_from_description(std::string_view name, const Description &d, Row *out);

}  // namespace zevahv::modules::lumenhv
