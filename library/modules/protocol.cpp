#include "modules/protocol.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace zevahv::modules::protocol {

namespace {

constexpr std::size_t kMaxLine = kLineSize - 1;

bool has_line_end(std::string_view reply) {
    return !reply.empty() && reply.back() == '\n';
}

// The reply without its line end (CR LF, LF or CR).
std::string_view strip_line_end(std::string_view s) {
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' ||
                          s.back() == '\n'))
        s.remove_suffix(1);
    return s;
}

bool all_digits(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

std::string_view after_colon(std::string_view piece) {
    std::size_t c = piece.find(':');
    return c == std::string_view::npos ? std::string_view{} : piece.substr(c + 1);
}

// The value of the VAL piece: after its ':' up to any further ':'.
std::string_view value_of(std::string_view piece) {
    std::string_view v = after_colon(piece);
    std::size_t c = v.find(':');
    if (c != std::string_view::npos) v = v.substr(0, c);
    return v;
}

// "#BD:nn" names our board?  The text after ':' must be a decimal number.
bool board_matches(std::string_view piece, int board) {
    std::string_view n = after_colon(piece);
    if (!all_digits(n) || n.size() > 5) return false;
    int v = 0;
    for (char c : n) v = v * 10 + (c - '0');
    return v == board;
}

}  // namespace

bool build_command(CommandForm form, int board, Verb verb, std::string_view mnemonic,
                   int channel, const char *value, std::string *out) {
    if (form == CommandForm::Kqps) return false;
    const char *word = verb == Verb::Monitor ? "MON" : verb == Verb::Set ? "SET" : "INFO";
    if (verb == Verb::Info && form != CommandForm::Lumen) return false;
    std::string s;
    s.reserve(64 + mnemonic.size());
    char num[16];
    switch (form) {
    case CommandForm::Addressed:
        if (board < 0 || board > 99) return false;
        format_int(board, 2, num, sizeof num);
        s += "$BD:";
        s += num;
        s += ",CMD:";
        break;
    case CommandForm::Lumen:
        if (board >= 0) {
            auto r = std::to_chars(num, num + sizeof num, board);
            s += "$BD:";
            s.append(num, r.ptr);
            s += ",CMD:";
        } else {
            s += "$CMD:";
        }
        break;
    default:
        s += "$CMD:";
        break;
    }
    s += word;
    s += ',';
    if (channel >= 0) {
        auto r = std::to_chars(num, num + sizeof num, channel);
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
    if (s.size() > kMaxLine) return false;
    *out = std::move(s);
    return true;
}

bool build_kqps_read(std::string_view mnemonic, std::string *out) {
    std::string s(mnemonic);
    s += ":?\r\n";
    if (s.size() > kMaxLine) return false;
    *out = std::move(s);
    return true;
}

bool build_kqps_write(std::string_view mnemonic, const char *value, std::string *out) {
    std::string s(mnemonic);
    s += ':';
    s += value;
    s += "\r\n";
    if (s.size() > kMaxLine) return false;
    *out = std::move(s);
    return true;
}

bool build_kqps_exec(std::string_view mnemonic, std::string *out) {
    std::string s(mnemonic);
    s += "\r\n";
    if (s.size() > kMaxLine) return false;
    *out = std::move(s);
    return true;
}

bool format_fixed(double value, int width, int decimals, char *out, std::size_t cap) {
    if (!std::isfinite(value) || decimals < 0 || decimals > 20 || width < 0 || width > 60 ||
        cap == 0)
        return false;
    char buf[400];
    auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    if (r.ec != std::errc{}) return false;
    std::size_t len = static_cast<std::size_t>(r.ptr - buf);
    bool negative = len > 0 && buf[0] == '-';
    std::size_t pad = len < static_cast<std::size_t>(width) ? width - len : 0;
    if (len + pad + 1 > cap) return false;
    std::size_t o = 0;
    std::size_t i = 0;
    if (negative) {
        out[o++] = '-';
        i = 1;
    }
    for (std::size_t k = 0; k < pad; ++k) out[o++] = '0';
    for (; i < len; ++i) out[o++] = buf[i];
    out[o] = '\0';
    return true;
}

bool format_int(long value, int width, char *out, std::size_t cap) {
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, value);
    std::size_t len = static_cast<std::size_t>(r.ptr - buf);
    bool negative = value < 0;
    std::size_t pad = len < static_cast<std::size_t>(width < 0 ? 0 : width) ? width - len : 0;
    if (len + pad + 1 > cap) return false;
    std::size_t o = 0, i = 0;
    if (negative) {
        out[o++] = '-';
        i = 1;
    }
    for (std::size_t k = 0; k < pad; ++k) out[o++] = '0';
    for (; i < len; ++i) out[o++] = buf[i];
    out[o] = '\0';
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

int parse_monitor_reply(CommandForm form, int board, std::string_view reply,
                        std::string *value) {
    if (reply.find("OK") == std::string_view::npos) return classify_refusal(reply);
    if (!has_line_end(reply)) return -1;
    std::string_view line = strip_line_end(reply);
    std::size_t c1 = line.find(',');
    if (c1 == std::string_view::npos) return -1;
    std::string_view first = line.substr(0, c1);
    std::string_view rest = line.substr(c1 + 1);
    std::string_view val_piece;
    bool addressed = form == CommandForm::Addressed ||
                     (form == CommandForm::Lumen && first.substr(0, 4) == "#BD:");
    if (addressed) {
        std::size_t c2 = rest.find(',');
        if (c2 == std::string_view::npos) return -1;
        std::string_view second = rest.substr(0, c2);
        std::string_view third = rest.substr(c2 + 1);
        std::size_t c3 = third.find(',');
        if (c3 != std::string_view::npos) third = third.substr(0, c3);
        if (form == CommandForm::Addressed && first.size() != 6) return -1;
        if (first.substr(0, 4) != "#BD:" || !board_matches(first, board)) return -1;
        if (second.size() != 6 || after_colon(second) != "OK") return -1;
        if (third.size() <= 4 || third.substr(0, 4) != "VAL:") return -1;
        val_piece = third;
    } else {
        std::size_t c2 = rest.find(',');
        std::string_view second = c2 == std::string_view::npos ? rest : rest.substr(0, c2);
        if (first.size() != 7 || first.substr(0, 5) != "#CMD:" || after_colon(first) != "OK")
            return -1;
        if (second.size() <= 4 || second.substr(0, 4) != "VAL:") return -1;
        val_piece = second;
    }
    *value = std::string(value_of(val_piece));
    return 0;
}

int check_set_reply(CommandForm form, int board, std::string_view reply) {
    if (reply.find("OK") == std::string_view::npos) return classify_refusal(reply);
    if (form == CommandForm::Addressed ||
        (form == CommandForm::Lumen && reply.substr(0, 4) == "#BD:")) {
        // A reply that says which board answered must name ours.
        std::string_view line = strip_line_end(reply);
        std::string_view first = line.substr(0, line.find(','));
        if (first.substr(0, 4) == "#BD:" && !board_matches(first, board)) return -1;
    }
    return 0;
}

int parse_kqps_reply(std::string_view mnemonic, std::string_view reply, std::string *value) {
    std::string key = "#";
    key += mnemonic.substr(0, mnemonic.find(':'));
    if (reply.find(key) == std::string_view::npos) return -1;
    if (!has_line_end(reply)) return -1;
    std::string_view line = strip_line_end(reply);
    std::size_t c = line.find(':');
    if (c == std::string_view::npos) return -1;
    *value = std::string(line.substr(c + 1));
    return 0;
}

int check_kqps_ack(std::string_view reply) {
    return reply.find("#AK") == std::string_view::npos ? -1 : 0;
}

bool parse_float(std::string_view text, float *out) {
    std::string_view t = trim(text);
    if (!t.empty() && t.front() == '+') t.remove_prefix(1);
    if (t.empty()) return false;
    double v = 0;
    auto r = std::from_chars(t.data(), t.data() + t.size(), v, std::chars_format::general);
    if (r.ec != std::errc{} || r.ptr != t.data() + t.size() || !std::isfinite(v)) return false;
    *out = static_cast<float>(v);
    return true;
}

bool parse_int(std::string_view text, long *out) {
    std::string_view t = trim(text);
    if (!t.empty() && t.front() == '+') t.remove_prefix(1);
    if (t.empty()) return false;
    long v = 0;
    auto r = std::from_chars(t.data(), t.data() + t.size(), v, 10);
    if (r.ec != std::errc{} || r.ptr != t.data() + t.size()) return false;
    *out = v;
    return true;
}

bool parse_release(std::string_view text, int points, Release *out) {
    int parts[3] = {0, 0, 0};
    int found = 0;
    std::size_t start = 0;
    for (int k = 0; k < 3; ++k) {
        std::size_t dot = k < 2 ? text.find('.', start) : std::string_view::npos;
        std::string_view piece = text.substr(start, dot == std::string_view::npos
                                                        ? std::string_view::npos
                                                        : dot - start);
        // Leading digits only, as a plain decimal conversion reads them.
        std::size_t i = 0;
        while (i < piece.size() && (piece[i] == ' ' || piece[i] == '\t')) ++i;
        long v = 0;
        for (; i < piece.size() && piece[i] >= '0' && piece[i] <= '9'; ++i)
            if ((v = v * 10 + (piece[i] - '0')) > 255) v = 255;
        parts[k] = static_cast<int>(v);
        if (dot == std::string_view::npos) break;
        ++found;
        start = dot + 1;
    }
    if (found < points) return false;
    out->major = parts[0];
    out->minor = parts[1];
    out->patch = parts[2];
    return true;
}

std::vector<std::string_view> split_values(std::string_view text, std::size_t max_parts) {
    std::vector<std::string_view> out;
    std::size_t start = 0;
    while (out.size() < max_parts) {
        std::size_t pos = text.find(';', start);
        if (pos == std::string_view::npos) {
            out.push_back(text.substr(start));
            break;
        }
        out.push_back(text.substr(start, pos - start));
        start = pos + 1;
    }
    return out;
}

}  // namespace zevahv::modules::protocol
