// Values in the module command language: numbers printed for a set (always
// with a point, whatever the process locale) and firmware releases read from
// an identification reply.  Pure functions over text.  The command and reply
// lines themselves are the dialects' (modules/dialects/).
#pragma once

#include <cstddef>
#include <string_view>

#include "frame/fields.h"
#include "modules/dialects/dialect.h"

namespace zevahv::modules::protocol {

// printf's "%0<width>.<decimals>f", but always with a point whatever the
// process locale.  False for NaN or infinity, or when cap is too small.
bool format_fixed(double value, int width, int decimals, char *out, std::size_t cap);
// printf's "%0<width>d".
bool format_int(long value, int width, char *out, std::size_t cap);

// A firmware release as modules report it: "major.minor" (BDFREL) or
// "major.minor.patch" (the KQPS VER word).  Each part is read as a plain
// decimal (text that is not a number counts as 0) and held to 0..255, the
// byte the crate map carries.  False when the text has fewer than `points`
// points.
struct Release {
    int major = 0;
    int minor = 0;
    int patch = 0;
};
bool parse_release(std::string_view text, int points, Release *out);

}  // namespace zevahv::modules::protocol
