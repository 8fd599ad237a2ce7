// The pieces that the "$...,PAR:X" dialects (addressed, unaddressed, lumen)
// share: building a command line from its head, and reading the pieces of
// a reply line.
#pragma once

#include <string>
#include <string_view>

#include "modules/dialects/dialect.h"

namespace zevahv::modules::text_lines {

// head + "CMD:" + MON/SET/INFO + "," [+ "CH:n,"] + "PAR:" + mnemonic
// [+ ",VAL:" + value] + "\r\n"; false when it does not fit a line.
bool build(std::string_view head, Verb verb, std::string_view mnemonic, int channel,
           const char *value, std::string *out);

// The first of "CMD" 1, "CH" 2, "PAR" 3, "VAL" 4, "LOC" 5 found in the reply;
// -1 when none is there.
int classify_refusal(std::string_view reply);

// A reply that accepts holds "OK" and ends with its line end: 0 and the line
// without its line end; else the refusal class, or -1 for no line end.
int accepted_line(std::string_view reply, std::string_view *line);

// "#BD:nn,CMD:OK,VAL:v" (line without its end) from the given board: 0 and
// the value, else -1.  exact_board_width: the board piece is "#BD:" and two
// digits.
int addressed_value(std::string_view line, int board, bool exact_board_width,
                    std::string *value);
// "#CMD:OK,VAL:v": 0 and the value, else -1.
int unaddressed_value(std::string_view line, std::string *value);

// The reply to a set: 0 when it holds "OK" and (check_board) does not say
// that another board answered ("#BD:n,..."); else the refusal class or -1.
int check_set(std::string_view reply, int board, bool check_board);

}  // namespace zevahv::modules::text_lines
