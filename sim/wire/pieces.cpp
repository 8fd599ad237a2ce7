#include "wire/pieces.h"

namespace sim {

const char* refusal_word(Refusal r) {
    switch (r) {
    case Refusal::Cmd: return "CMD";
    case Refusal::Ch: return "CH";
    case Refusal::Par: return "PAR";
    case Refusal::Val: return "VAL";
    case Refusal::Loc: return "LOC";
    }
    return "CMD";
}

namespace pieces {

namespace {

// "CMD:MON", "CMD:SET" and, where the form has it, "CMD:INFO".
std::optional<Verb> verb_of(std::string_view piece, bool with_info) {
    if (piece == "CMD:MON") return Verb::Mon;
    if (piece == "CMD:SET") return Verb::Set;
    if (with_info && piece == "CMD:INFO") return Verb::Info;
    return std::nullopt;
}

} // namespace

bool all_digits(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

bool starts_with(std::string_view s, std::string_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

std::string_view next_piece(std::string_view& rest) {
    auto comma = rest.find(',');
    std::string_view piece = rest.substr(0, comma);
    rest = comma == std::string_view::npos ? std::string_view{} : rest.substr(comma + 1);
    return piece;
}

std::optional<int> small_number(std::string_view digits) {
    if (!all_digits(digits) || digits.size() > 3) return std::nullopt;
    int n = 0;
    for (char c : digits) n = n * 10 + (c - '0');
    return n;
}

void read_command(std::string_view rest, std::string_view line, bool with_info, ParsedLine& out) {
    auto verb = verb_of(next_piece(rest), with_info);
    if (!verb) {
        out.refusal = Refusal::Cmd;
        return;
    }
    out.command.verb = *verb;
    std::string_view piece = next_piece(rest);
    if (starts_with(piece, "CH:")) {
        auto ch = small_number(piece.substr(3));
        if (!ch) {
            out.refusal = Refusal::Ch;
            return;
        }
        out.command.channel = *ch;
        piece = next_piece(rest);
    }
    if (!starts_with(piece, "PAR:") || piece.size() == 4) {
        out.refusal = Refusal::Par;
        return;
    }
    out.command.parameter = std::string(piece.substr(4));
    if (!rest.empty()) {
        // The value is everything after "VAL:", commas included.
        if (!starts_with(rest, "VAL:")) {
            out.refusal = Refusal::Cmd;
            return;
        }
        out.command.value = std::string(rest.substr(4));
    } else if (!line.empty() && line.back() == ',') {
        out.refusal = Refusal::Cmd; // a trailing empty piece
    }
}

std::string ok_line(const std::string& head, const std::optional<std::string>& value) {
    std::string r = head.empty() ? "#CMD:OK" : head + ",CMD:OK";
    if (value) r += ",VAL:" + *value;
    return r + "\r\n";
}

std::string refusal_line(const std::string& head, Refusal r) {
    std::string word = refusal_word(r);
    return (head.empty() ? "#" + word : head + "," + word) + ":ERR\r\n";
}

} // namespace pieces

} // namespace sim
