#pragma once
// Rows the high-voltage module tables share: the identification words, the
// channel words of the Q3815 design, and the limit words (minimum, maximum,
// decimals of one set point) that a client reads at open.

#include "model/param.h"

namespace sim {

// BDNAME, BDNCH, BDFREL, BDSNUM (set from the command line at start).
ParamTable hv_identification_rows();

// VSET, VMON, ISET, [IMRANGE,] IMON, MAXV, RUP, RDW, TRIP, PDWN, POL, STAT,
// ON, OFF; IMRANGE only for a module with a current-monitor range.
ParamTable hv_channel_rows(bool imon_range);

// Three constant words a client may ask with or without a channel piece.
ParamTable limit_rows(const char* min_word, const char* max_word, const char* dec_word,
                      double min, double max, int decimals, const char* of);

// Concatenation, so that a table reads as its parts.
ParamTable joined(std::initializer_list<ParamTable> parts);

} // namespace sim
