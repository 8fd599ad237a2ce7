#include "modules/dialects/text_lines.h"

#include <charconv>

#include "frame/fields.h"

namespace zevahv::modules::text_lines {

namespace {

std::string_view strip_line_end(std::string_view s) {
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

std::string_view after_colon(std::string_view piece) {
    const std::size_t c = piece.find(':');
    return c == std::string_view::npos ? std::string_view{} : piece.substr(c + 1);
}

// The value of the VAL piece: after its ':' up to any further ':'.
std::string_view value_of(std::string_view piece) {
    std::string_view v = after_colon(piece);
    return v.substr(0, v.find(':'));
}

// "#BD:nn" names our board?  The text after ':' must be a decimal number.
bool board_matches(std::string_view piece, int board) {
    unsigned v = 0;
    return parse_digits(after_colon(piece), 5, &v) && static_cast<int>(v) == board;
}

// "VAL:" and the value; empty_ok: the value may be empty.
bool is_value_piece(std::string_view piece, bool empty_ok = false) {
    return piece.size() >= (empty_ok ? 4u : 5u) && piece.substr(0, 4) == "VAL:";
}

}  // namespace

bool build(std::string_view head, Verb verb, std::string_view mnemonic, int channel,
           const char *value, std::string *out) {
    const char *word = verb == Verb::Monitor ? "MON" : verb == Verb::Set ? "SET" : "INFO";
    std::string s;
    s.reserve(32 + head.size() + mnemonic.size());
    s += head;
    s += "CMD:";
    s += word;
    s += ',';
    if (channel >= 0) {
        char num[16];
        const auto r = std::to_chars(num, num + sizeof num, channel);
        s += "CH:";
        s.append(num, r.ptr);
        s += ',';
    }
    s += "PAR:";
    s += mnemonic;
    if (value != nullptr) {
        s += ",VAL:";
        s += value;
    }
    s += "\r\n";
    if (s.size() > kLineSize - 1) return false;
    *out = std::move(s);
    return true;
}

int classify_refusal(std::string_view reply) {
    static constexpr struct {
        const char *word;
        int code;
    } kWords[] = {{"CMD", 1}, {"CH", 2}, {"PAR", 3}, {"VAL", 4}, {"LOC", 5}};
    for (const auto &w : kWords)
        if (reply.find(w.word) != std::string_view::npos) return w.code;
    return -1;
}

int accepted_line(std::string_view reply, std::string_view *line) {
    if (reply.find("OK") == std::string_view::npos) return classify_refusal(reply);
    if (reply.empty() || reply.back() != '\n') return -1;
    *line = strip_line_end(reply);
    return 0;
}

namespace {

// exact: the board piece is "#BD:" and two digits, and the value is not
// empty; otherwise the board in plain decimal, and an empty value allowed.
int board_value(std::string_view line, int board, bool exact, std::string *value) {
    const auto pieces = split_fields(line, ',', 4);
    if (pieces.size() < 3) return -1;
    const std::string_view first = pieces[0], second = pieces[1], third = pieces[2];
    if (exact && first.size() != 6) return -1;
    if (first.substr(0, 4) != "#BD:" || !board_matches(first, board)) return -1;
    if (second.size() != 6 || after_colon(second) != "OK") return -1;
    if (!is_value_piece(third, !exact)) return -1;
    *value = std::string(value_of(third));
    return 0;
}

int no_board_value(std::string_view line, bool empty_ok, std::string *value) {
    const auto pieces = split_fields(line, ',', 3);
    if (pieces.size() < 2) return -1;
    const std::string_view first = pieces[0], second = pieces[1];
    if (first.size() != 7 || first.substr(0, 5) != "#CMD:" || after_colon(first) != "OK")
        return -1;
    if (!is_value_piece(second, empty_ok)) return -1;
    *value = std::string(value_of(second));
    return 0;
}

}  // namespace

int addressed_value(std::string_view line, int board, std::string *value) {
    return board_value(line, board, true, value);
}

int addressed_value_any_width(std::string_view line, int board, std::string *value) {
    return board_value(line, board, false, value);
}

int unaddressed_value(std::string_view line, int /*board*/, std::string *value) {
    return no_board_value(line, false, value);
}

int unaddressed_value_or_empty(std::string_view line, int /*board*/, std::string *value) {
    return no_board_value(line, true, value);
}

int check_set_naming_board(int board, std::string_view reply) {
    if (reply.find("OK") == std::string_view::npos) return classify_refusal(reply);
    const std::string_view first = split_fields(strip_line_end(reply), ',', 1)[0];
    return first.substr(0, 4) == "#BD:" && !board_matches(first, board) ? -1 : 0;
}

int check_set_unaddressed(int, std::string_view reply) {
    return reply.find("OK") == std::string_view::npos ? classify_refusal(reply) : 0;
}

}  // namespace zevahv::modules::text_lines
