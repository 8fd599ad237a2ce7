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
// the value, else -1.  The board piece is "#BD:" and two digits.
int addressed_value(std::string_view line, int board, std::string *value);
// The same with the board in plain decimal ("#BD:3"), and the value may be
// empty (a self-describing module with nothing to list answers "VAL:").
int addressed_value_any_width(std::string_view line, int board, std::string *value);
// "#CMD:OK,VAL:v": 0 and the value, else -1.
int unaddressed_value(std::string_view line, int board, std::string *value);
// The same, and the value may be empty.
int unaddressed_value_or_empty(std::string_view line, int board, std::string *value);

// The reply to a set: 0 when it holds "OK" (and, for dialects whose replies
// may say which board answered, "#BD:n,..." names ours); else the refusal
// class or -1.
int check_set_naming_board(int board, std::string_view reply);
int check_set_unaddressed(int board, std::string_view reply);

// The reply to a monitor or info: a line that accepts, read by the
// dialect's own value reader (addressed_value, unaddressed_value ...).
template <int (*ValueOf)(std::string_view line, int board, std::string *value)>
int parse_value(int board, std::string_view /*mnemonic*/, std::string_view reply,
                std::string *value) {
    std::string_view line;
    if (int e = accepted_line(reply, &line)) return e;
    return ValueOf(line, board, value);
}

// A dialect of the "$...,PAR:X" kind from the pieces in which it differs.
constexpr Dialect text_dialect(const char *name, bool (*valid_board)(int),
                               decltype(Dialect::build) build,
                               decltype(Dialect::parse_value) parse_value,
                               decltype(Dialect::check_set) check_set) {
    return {name, valid_board, build, parse_value, check_set, classify_refusal};
}

}  // namespace zevahv::modules::text_lines
