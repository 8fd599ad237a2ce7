#include "modules/limits.h"

#include "frame/fields.h"

#include <cstring>
#include <string>

namespace zevahv::modules {

bool read_integer(Module &m, const char *word, long *out) {
    std::string text;
    return monitor(m, word, 0, &text) == 0 && parse_int(text, out);
}

bool decimals_of(long reported, std::uint16_t *out) {
    if (reported < 0 || reported > 20) return false;
    *out = static_cast<std::uint16_t>(reported);
    return true;
}

int fetch_limit_words(Module &m, Row &row, std::span<const LimitWords> table) {
    for (const LimitWords &w : table) {
        if (std::strcmp(row.mnemonic, w.mnemonic) != 0) continue;
        long v = 0;
        if (w.min && read_integer(m, w.min, &v)) row.min = static_cast<float>(v);
        if (w.max && read_integer(m, w.max, &v)) row.max = static_cast<float>(v);
        if (w.dec && (!read_integer(m, w.dec, &v) || !decimals_of(v, &row.decimals))) return -1;
        return 0;
    }
    return 0;
}

}  // namespace zevahv::modules
