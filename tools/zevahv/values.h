#pragma once
// Values as people read and type them: a parameter's raw 4 bytes (or text)
// shown with its decimals, unit, on/off texts or choice texts, and a typed
// word turned back into the bytes the set calls take.  Pure functions of a
// ParamInfo, so that every family is served by what its properties say.

#include "json.h"

#include <optional>
#include <string>
#include <vector>

#include "catalog.h"

namespace zcli {

// "V", "uA", "ns", "V/s", "°C" ...; empty for no unit.
std::string unit_text(int unit, int exp);

struct Shown {
    Json value;  // number, index, state or text, as JSON
    std::string text;      // as a person reads it, unit included
};

// `bytes` holds the value as the get calls and events deliver it: 4 bytes
// for every type but text, which is NUL-terminated within `size`.
Shown show_value(const ParamInfo& p, const void* bytes, size_t size);

// The bytes for a set call: 4 bytes (float or unsigned by type), or a
// NUL-terminated text in a buffer of at least 1024 bytes.  Throws
// Failure(kExitBadValue) for a word that is no value of the parameter.
std::vector<unsigned char> encode_value(const ParamInfo& p, const std::string& word);

// "numeric", "on/off", "enum" ...; "R", "W", "RW".
std::string type_word(unsigned type);
std::string mode_word(unsigned mode);

// A float with `decimals` digits after the point, whatever the locale.
std::string fixed(double v, unsigned decimals);
// A parameter's number with its decimals; without them, every digit the
// float carries (3.3, not 3): a value is never shown rounded to a guess.
std::string number_text(float v, const std::optional<unsigned>& decimals);

}  // namespace zcli
