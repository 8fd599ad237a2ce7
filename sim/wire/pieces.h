#pragma once
// The pieces the "$...,CMD:...,CH:n,PAR:W,VAL:v" forms share, read with
// bounds checks from a line that is never trusted.

#include <optional>
#include <string>
#include <string_view>

#include "wire/dialect.h"

namespace sim::pieces {

bool all_digits(std::string_view s);
bool starts_with(std::string_view s, std::string_view prefix);
// Cuts the next ","-separated piece off the front of `rest`.
std::string_view next_piece(std::string_view& rest);
// A number of one to three digits (addresses, channels); nothing otherwise.
std::optional<int> small_number(std::string_view digits);

// "CMD:MON", "CMD:SET" and, where the form has it, "CMD:INFO".
std::optional<Verb> verb_of(std::string_view piece, bool with_info);

// Reads "[CH:n,]PAR:W[,VAL:v]" from `rest` (what follows the command
// piece of `line`) into `out`; a malformed tail sets out.refusal.
void read_tail(std::string_view rest, std::string_view line, ParsedLine& out);

// "<head>,CMD:OK[,VAL:v]\r\n" and "<head>,<KEYWORD>:ERR\r\n"; an empty head
// gives "#CMD:OK..." and "#<KEYWORD>:ERR".
std::string ok_line(const std::string& head, const std::optional<std::string>& value);
std::string refusal_line(const std::string& head, Refusal r);

} // namespace sim::pieces
