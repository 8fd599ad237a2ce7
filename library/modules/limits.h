// Limits a module reports for a row at open: the words that answer a row's
// minimum, maximum and decimals (VMIN, VMAX and VDEC for VSET ...), each an
// integer asked for channel 0.
#pragma once

#include <span>

#include "modules/module.h"

namespace zevahv::modules {

// The words of one row (found by its mnemonic); a null word is not asked.
struct LimitWords {
    const char *mnemonic;
    const char *min;
    const char *max;
    const char *dec;
};

// An integer the module answers for channel 0; false when it does not
// answer with one.
bool read_integer(Module &m, const char *word, long *out);

// Decimals as a row keeps them: a count the module reports, held to 0..20.
bool decimals_of(long reported, std::uint16_t *out);

// Completes a row whose mnemonic the table lists: the minimum and maximum
// where the module answers them (a failure leaves the table's), then the
// decimals, which the module must answer (-1 when it does not).  Rows the
// table does not list are left alone (0).
int fetch_limit_words(Module &m, Row &row, std::span<const LimitWords> table);

}  // namespace zevahv::modules
