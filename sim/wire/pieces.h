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

// Reads "CMD:<verb>,[CH:n,]PAR:W[,VAL:v]" from `rest` (what follows the
// address piece of `line`, if any) into `out`; a malformed command sets
// out.refusal.
void read_command(std::string_view rest, std::string_view line, bool with_info, ParsedLine& out);

// "<head>,CMD:OK[,VAL:v]\r\n" and "<head>,<KEYWORD>:ERR\r\n"; an empty head
// gives "#CMD:OK..." and "#<KEYWORD>:ERR".
std::string ok_line(const std::string& head, const std::optional<std::string>& value);
std::string refusal_line(const std::string& head, Refusal r);

// The replies of the forms whose replies carry no address: "#CMD:OK..."
// and "#<KEYWORD>:ERR".
class UnaddressedReplies : public Dialect {
public:
    std::string ok(const Command&, const std::optional<std::string>& value) const override {
        return ok_line("", value);
    }
    std::string refusal(const Command&, Refusal r) const override { return refusal_line("", r); }
};

} // namespace sim::pieces
