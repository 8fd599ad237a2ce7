#include "wire/command.h"

#include <cstdio>

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

namespace {

bool all_digits(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

// Cuts the next ","-separated piece off the front of `rest`.
std::string_view next_piece(std::string_view& rest) {
    auto comma = rest.find(',');
    std::string_view piece = rest.substr(0, comma);
    rest = comma == std::string_view::npos ? std::string_view{} : rest.substr(comma + 1);
    return piece;
}

bool starts_with(std::string_view s, std::string_view p) { return s.substr(0, p.size()) == p; }

} // namespace

ParsedLine parse_command(std::string_view line) {
    ParsedLine out;
    if (!starts_with(line, "$BD:")) return out;
    std::string_view rest = line.substr(4);
    std::string_view digits = next_piece(rest);
    // Two digits on the wire; one to three are read so that a sloppy client
    // is still answered, anything longer addresses nobody.
    if (!all_digits(digits) || digits.size() > 3) return out;
    int board = 0;
    for (char c : digits) board = board * 10 + (c - '0');
    out.addressed = true;
    out.board = board;
    out.command.board = board;

    std::string_view cmd = next_piece(rest);
    if (cmd == "CMD:MON") out.command.set = false;
    else if (cmd == "CMD:SET") out.command.set = true;
    else {
        out.refusal = Refusal::Cmd;
        return out;
    }

    std::string_view piece = next_piece(rest);
    if (starts_with(piece, "CH:")) {
        std::string_view n = piece.substr(3);
        if (!all_digits(n) || n.size() > 3) {
            out.refusal = Refusal::Ch;
            return out;
        }
        int ch = 0;
        for (char c : n) ch = ch * 10 + (c - '0');
        out.command.channel = ch;
        piece = next_piece(rest);
    }
    if (!starts_with(piece, "PAR:") || piece.size() == 4) {
        out.refusal = Refusal::Par;
        return out;
    }
    out.command.parameter = std::string(piece.substr(4));
    if (!rest.empty()) {
        // The value is everything after "VAL:", commas included.
        if (!starts_with(rest, "VAL:")) {
            out.refusal = Refusal::Cmd;
            return out;
        }
        out.command.value = std::string(rest.substr(4));
    } else if (line.back() == ',') {
        out.refusal = Refusal::Cmd; // a trailing empty piece
    }
    return out;
}

std::string ok_reply(int board, const std::optional<std::string>& value) {
    char head[32];
    std::snprintf(head, sizeof head, "#BD:%02d,CMD:OK", board % 100);
    std::string r = head;
    if (value) r += ",VAL:" + *value;
    r += "\r\n";
    return r;
}

std::string refusal_reply(int board, Refusal r) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "#BD:%02d,%s:ERR\r\n", board % 100, refusal_word(r));
    return buf;
}

} // namespace sim
