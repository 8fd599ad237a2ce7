#include "model.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <sstream>

namespace zevacomm {

namespace {

std::string_view trim(std::string_view s) {
    const char *ws = " \t\r";
    const auto b = s.find_first_not_of(ws);
    if (b == std::string_view::npos) return {};
    return s.substr(b, s.find_last_not_of(ws) - b + 1);
}

std::vector<std::string_view> words(std::string_view s) {
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
        std::size_t j = i;
        while (j < s.size() && s[j] != ' ' && s[j] != '\t') ++j;
        if (j > i) out.push_back(s.substr(i, j - i));
        i = j;
    }
    return out;
}

// A whole number in decimal or 0x hex, with an optional sign.
std::optional<long long> whole(std::string_view s) {
    if (s.empty() || s.size() > 24) return std::nullopt;
    std::string t(s);
    errno = 0;
    char *end = nullptr;
    const long long v = std::strtoll(t.c_str(), &end, 0);
    if (errno != 0 || end != t.c_str() + t.size()) return std::nullopt;
    return v;
}

std::optional<double> real(std::string_view s) {
    if (s.empty() || s.size() > 32) return std::nullopt;
    std::string t(s);
    char *end = nullptr;
    const double v = std::strtod(t.c_str(), &end);
    if (end != t.c_str() + t.size() || !std::isfinite(v)) return std::nullopt;
    return v;
}

std::optional<long long> ranged(std::string_view s, long long lo, long long hi) {
    auto v = whole(s);
    if (!v || *v < lo || *v > hi) return std::nullopt;
    return v;
}

std::optional<std::uint8_t> type_code(std::string_view s) {
    static constexpr std::string_view kNames[] = {"numeric", "onoff", "chstatus", "bdstatus",
                                                  "raw",     "text",  "enum",     "cmd"};
    for (std::size_t i = 0; i < std::size(kNames); ++i)
        if (s == kNames[i]) return static_cast<std::uint8_t>(i);
    if (auto v = ranged(s, 0, 7)) return static_cast<std::uint8_t>(*v);
    return std::nullopt;
}

std::optional<std::uint8_t> unit_code(std::string_view s) {
    static constexpr std::string_view kNames[] = {"none",    "ampere", "volt", "watt",
                                                  "celsius", "hertz",  "bar",  "vps",
                                                  "second",  "rpm",    "count", "bit"};
    for (std::size_t i = 0; i < std::size(kNames); ++i)
        if (s == kNames[i]) return static_cast<std::uint8_t>(i);
    if (auto v = ranged(s, 0, 255)) return static_cast<std::uint8_t>(*v);
    return std::nullopt;
}

// "board", "channels", "none", or a comma list of those and channel
// numbers or ranges ("board,0-3,7").  Channel lists are checked against the
// channel count once the whole file is read; "channels" is expanded then.
bool applies(std::string_view s, ParamSpec *p, bool *all_channels) {
    p->on_board = false;
    p->channels.clear();
    *all_channels = false;
    while (!s.empty()) {
        const auto comma = s.find(',');
        const std::string_view part = s.substr(0, comma);
        s = comma == std::string_view::npos ? std::string_view{} : s.substr(comma + 1);
        if (part == "board") {
            p->on_board = true;
        } else if (part == "channels") {
            *all_channels = true;
        } else if (part == "none") {
        } else {
            const auto dash = part.find('-');
            auto lo = ranged(part.substr(0, dash), 0, kMaxW40xxChannels - 1);
            auto hi = dash == std::string_view::npos
                          ? lo
                          : ranged(part.substr(dash + 1), 0, kMaxW40xxChannels - 1);
            if (!lo || !hi || *hi < *lo) return false;
            for (long long c = *lo; c <= *hi; ++c) p->channels.push_back(static_cast<int>(c));
        }
    }
    return true;
}

class Parser {
public:
    Parser(Model *m, std::string *error) : m_(m), error_(error) {}

    bool line(int number, std::string_view text) {
        number_ = number;
        if (auto hash = text.find('#'); hash != std::string_view::npos) text = text.substr(0, hash);
        text = trim(text);
        if (text.empty()) return true;
        const auto sp = text.find_first_of(" \t");
        const std::string_view key = text.substr(0, sp);
        const std::string_view rest =
            sp == std::string_view::npos ? std::string_view{} : trim(text.substr(sp));
        if (key == "kind") return kind(rest);
        if (key == "model") return text_field(rest, 8, &m_->model_name);
        if (key == "description") return text_field(rest, 20, &m_->description);
        if (key == "serial") return number_field(rest, 0, 0xFFFF, &m_->serial);
        if (key == "firmware") return number_field(rest, 0, 0xFFFFFFFFLL, &m_->firmware);
        if (key == "channels") return number_field(rest, 0, kMaxW40xxChannels, &m_->channels);
        if (key == "module-type") return number_field(rest, 0, 0xFFFF, &m_->module_type);
        if (key == "load") return load(rest);
        if (key == "param") return param(rest);
        if (key == "query") return query(rest);
        if (key == "poke") return poke(rest);
        return fail("unknown keyword '" + std::string(key) + "'");
    }

    bool finish() {
        number_ = 0;
        if (!kind_seen_) return fail("no 'kind' line");
        if (m_->kind == Kind::Rd40xx) {
            m_->channels = kRd40xxChannels;
            if (!m_->params.empty()) return fail("'param' lines belong to W40XX boards");
        } else if (!m_->queries.empty()) {
            return fail("'query' lines belong to RD40XX units");
        }
        for (std::size_t i = 0; i < m_->params.size(); ++i) {
            ParamSpec &p = m_->params[i];
            if (all_channels_[i]) {
                p.channels.clear();
                for (int c = 0; c < m_->channels; ++c) p.channels.push_back(c);
            }
            for (int c : p.channels)
                if (c >= m_->channels)
                    return fail("parameter " + p.name + " names channel " + std::to_string(c) +
                                " of a board with " + std::to_string(m_->channels));
        }
        for (const auto &[ch, mohm] : m_->channel_loads)
            if (ch >= m_->channels) return fail("load of channel " + std::to_string(ch));
        return true;
    }

private:
    bool fail(const std::string &why) {
        *error_ = number_ > 0 ? "line " + std::to_string(number_) + ": " + why : why;
        return false;
    }

    bool kind(std::string_view v) {
        if (v == "w40xx") m_->kind = Kind::W40xx;
        else if (v == "rd40xx") m_->kind = Kind::Rd40xx;
        else return fail("kind is w40xx or rd40xx");
        kind_seen_ = true;
        return true;
    }

    bool text_field(std::string_view v, std::size_t max, std::string *out) {
        if (v.size() > max) return fail("text longer than " + std::to_string(max) + " characters");
        *out = std::string(v);
        return true;
    }

    template <typename T>
    bool number_field(std::string_view v, long long lo, long long hi, T *out) {
        auto n = ranged(v, lo, hi);
        if (!n) return fail("expected a number from " + std::to_string(lo) + " to " +
                            std::to_string(hi));
        *out = static_cast<T>(*n);
        return true;
    }

    bool load(std::string_view v) {
        auto w = words(v);
        if (w.empty() || w.size() > 2) return fail("load <MOhm> [<channel>]");
        auto mohm = real(w[0]);
        if (!mohm || *mohm <= 0) return fail("a load is a positive number of megohms");
        if (w.size() == 1) {
            m_->load_mohm = *mohm;
            return true;
        }
        auto ch = ranged(w[1], 0, kMaxW40xxChannels - 1);
        if (!ch) return fail("bad channel number");
        m_->channel_loads.emplace_back(static_cast<int>(*ch), *mohm);
        return true;
    }

    bool param(std::string_view v) {
        if (m_->params.size() >= kMaxDescriptors) return fail("more than 32 parameters");
        ParamSpec p;
        bool all = false, have_name = false;
        std::uint8_t type = 0, access = 0, flags = 0;
        std::optional<std::uint8_t> raw_byte;
        for (std::string_view kv : words(v)) {
            const auto eq = kv.find('=');
            if (eq == std::string_view::npos) return fail("expected key=value, got " + std::string(kv));
            const std::string_view k = kv.substr(0, eq), val = kv.substr(eq + 1);
            bool ok = true;
            if (k == "name") {
                ok = !val.empty() && val.size() <= 10;
                p.name = std::string(val);
                have_name = true;
            } else if (k == "type") {
                auto t = type_code(val);
                ok = t.has_value();
                if (ok) type = *t;
            } else if (k == "access") {
                ok = val == "r" || val == "rw" || val == "cmd";
                access = val == "rw" ? 0x20 : val == "cmd" ? 0x40 : 0;
            } else if (k == "typebyte") {
                auto b = ranged(val, 0, 255);
                ok = b.has_value();
                if (ok) raw_byte = static_cast<std::uint8_t>(*b);
            } else if (k == "wide" || k == "signed") {
                ok = val == "0" || val == "1";
                if (val == "1") flags |= k == "wide" ? 0x08 : 0x80;
            } else if (k == "offset") {
                auto o = ranged(val, -128, 127);
                ok = o.has_value();
                if (ok) p.offset = static_cast<std::int8_t>(*o);
            } else if (k == "min" || k == "max" || k == "scale") {
                auto n = ranged(val, 0, 0xFFFF);
                ok = n.has_value();
                if (ok) (k == "min" ? p.min : k == "max" ? p.max : p.scale) =
                            static_cast<std::uint16_t>(*n);
            } else if (k == "unit") {
                auto u = unit_code(val);
                ok = u.has_value();
                if (ok) p.unit = *u;
            } else if (k == "exp") {
                auto e = ranged(val, -127, 127);
                ok = e.has_value();
                if (ok) p.exponent = static_cast<std::int8_t>(*e);
            } else if (k == "on") {
                ok = applies(val, &p, &all);
            } else if (k == "init") {
                auto d = real(val);
                ok = d.has_value();
                p.init = d;
            } else {
                return fail("unknown parameter key '" + std::string(k) + "'");
            }
            if (!ok) return fail("bad value for " + std::string(k) + ": " + std::string(val));
        }
        if (!have_name) return fail("a parameter needs name=");
        p.type_mode = raw_byte ? *raw_byte : static_cast<std::uint8_t>(type | access | flags);
        m_->params.push_back(std::move(p));
        all_channels_.push_back(all);
        return true;
    }

    bool query(std::string_view v) {
        QuerySpec q;
        bool have_selector = false;
        for (std::string_view kv : words(v)) {
            const auto eq = kv.find('=');
            if (eq == std::string_view::npos) return fail("expected key=value, got " + std::string(kv));
            const std::string_view k = kv.substr(0, eq), val = kv.substr(eq + 1);
            auto n = ranged(val, 0, 0xFFFF);
            if (!n) return fail("bad value for " + std::string(k));
            if (k == "selector") {
                if (*n < 0xB0 || *n > 0xBF) return fail("a selector is 0xB0 to 0xBF");
                q.selector = static_cast<std::uint8_t>(*n);
                have_selector = true;
            } else if (k == "scale") {
                q.scale_word = static_cast<std::uint16_t>(*n);
            } else if (k == "min") {
                q.min = static_cast<std::uint16_t>(*n);
            } else if (k == "max") {
                q.max = static_cast<std::uint16_t>(*n);
            } else {
                return fail("unknown query key '" + std::string(k) + "'");
            }
        }
        if (!have_selector) return fail("a query needs selector=");
        m_->queries.push_back(q);
        return true;
    }

    bool poke(std::string_view v) {
        auto w = words(v);
        if (w.size() < 2) return fail("poke <address> <value>...");
        auto addr = ranged(w[0], 0, 0xFFFE);
        if (!addr || (*addr & 1)) return fail("a register address is even and below 0x10000");
        for (std::size_t i = 1; i < w.size(); ++i) {
            auto val = ranged(w[i], 0, 0xFFFF);
            const long long a = *addr + 2 * static_cast<long long>(i - 1);
            if (!val || a > 0xFFFE) return fail("bad poke value " + std::string(w[i]));
            m_->pokes.emplace_back(static_cast<unsigned>(a), static_cast<std::uint16_t>(*val));
        }
        return true;
    }

    Model *m_;
    std::string *error_;
    int number_ = 0;
    bool kind_seen_ = false;
    std::vector<bool> all_channels_;
};

}  // namespace

bool parse_model(std::string_view text, Model *out, std::string *error) {
    Model m;
    Parser p(&m, error);
    int number = 0;
    while (!text.empty()) {
        const auto nl = text.find('\n');
        const std::string_view one = text.substr(0, nl);
        text = nl == std::string_view::npos ? std::string_view{} : text.substr(nl + 1);
        if (!p.line(++number, one)) return false;
    }
    if (!p.finish()) return false;
    m.source = out->source;
    *out = std::move(m);
    return true;
}

}  // namespace zevacomm
