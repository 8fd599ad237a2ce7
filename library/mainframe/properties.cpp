#include "mainframe/properties.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace zevahv::mainframe {

namespace {

bool is_one_of(int n, std::initializer_list<int> set) {
    for (int v : set)
        if (v == n) return true;
    return false;
}

void append_number(std::string *out, long v, bool first) {
    char buf[24];
    std::snprintf(buf, sizeof buf, first ? "%ld" : ":%ld", v);
    *out += buf;
}

// "Sessions": count(2) ':' then per session five fields, four ended by ':'
// and the fifth by ';'; written back as the same fields.
bool decode_sessions(Bytes data, std::string *out) {
    Cursor in(data);
    const std::size_t count = in.u16();
    in.sep();
    if (!in.ok()) return false;
    std::string_view rest = in.rest_text();
    for (std::size_t s = 0; s < count; ++s) {
        for (int f = 0; f < 5; ++f) {
            const auto end = rest.find(f < 4 ? ':' : ';');
            if (end == std::string_view::npos) return false;
            *out += rest.substr(0, end);
            *out += f < 4 ? ':' : ';';
            rest.remove_prefix(end + 1);
        }
    }
    return true;
}

// The power supply modules: two numbers, then three codes of module kinds.
bool decode_power_modules(bool names, Bytes data, std::string *out) {
    if (data.size() < 5) return false;
    append_number(out, data[0], true);
    append_number(out, data[1], false);
    for (int i = 2; i < 5; ++i) {
        if (!names) {
            append_number(out, data[i], false);
        } else if (data[i] == 1) {
            *out += ":B6611";
        } else if (data[i] == 2) {
            *out += ":B6610";
        } else {
            append_number(out, data[i] == 0 ? 0 : -1, false);
        }
    }
    return true;
}

// Fan states: groups of a byte and a 16-bit number, every number in turn.
bool decode_fans(Bytes data, std::string *out) {
    if (data.size() % 3 != 0) return false;
    for (std::size_t i = 0; i < data.size(); i += 3) {
        append_number(out, data[i], i == 0);
        append_number(out, get_be16(&data[i + 1]), false);
    }
    return true;
}

std::string_view as_text(Bytes data) {
    std::string_view t(reinterpret_cast<const char *>(data.data()), data.size());
    // A NUL the mainframe may end its text with is not part of it.
    if (const auto nul = t.find('\0'); nul != std::string_view::npos) t = t.substr(0, nul);
    return t;
}

}  // namespace

bool decode_property(const Generation &g, const SysProp &p, Bytes data, PropertyValue *out) {
    PropertyValue v;
    const int n = p.number;
    const std::string_view text = as_text(data);
    if (n == 0) {
        if (!decode_sessions(data, &v.text)) return false;
    } else if (n == 7) {
        v.text = text.substr(0, text.find(','));
    } else if (n == 23) {
        const auto comma = text.find(',');
        v.text = comma == std::string_view::npos ? std::string_view{} : text.substr(comma + 1);
    } else if (is_one_of(n, {8, 18, 19, 20, 21, 25, 26, 29, 33})) {
        v.text = text;
    } else if (is_one_of(n, {9, 12, 13, 16})) {
        if (data.empty()) return false;
        v.form = PropertyValue::Short;
        v.s = data[0];
    } else if (is_one_of(n, {10, 11, 22, 24, 27, 32})) {
        if (data.size() < 2) return false;
        v.form = PropertyValue::Short;
        v.s = static_cast<std::int16_t>(get_be16(data.data()));
    } else if (n == 14) {
        if (!decode_power_modules(g.power_module_names, data, &v.text)) return false;
    } else if (n == 15 || n == 28) {
        if (!decode_fans(data, &v.text)) return false;
    } else if (n == 17) {
        if (data.size() < 2) return false;
        append_number(&v.text, data[0], true);
        v.text += ':';
        append_number(&v.text, data[1], true);
    } else if (n == 31) {
        if (data.size() < 4) return false;
        v.form = PropertyValue::Unsigned;
        v.u = get_be32(data.data());
    } else {
        v.text = text;
    }
    *out = std::move(v);
    return true;
}

void store_property(const PropertyValue &v, void *result) {
    switch (v.form) {
    case PropertyValue::Short:
        std::memcpy(result, &v.s, sizeof v.s);
        break;
    case PropertyValue::Unsigned:
        std::memcpy(result, &v.u, sizeof v.u);
        break;
    case PropertyValue::Text: {
        const std::size_t n = std::min(v.text.size(), kPropertyTextSize - 1);
        std::memcpy(result, v.text.data(), n);
        static_cast<char *>(result)[n] = '\0';
        break;
    }
    }
}

bool append_property_argument(const Generation &g, const SysProp &p, const void *value,
                              Request &req) {
    const int n = p.number;
    const auto *bytes = static_cast<const unsigned char *>(value);
    auto u16 = [value] {
        std::uint16_t v;
        std::memcpy(&v, value, sizeof v);
        return v;
    };
    if (n == 9 || n == 12) {
        // The two bytes of the caller's 16-bit value, in the order the
        // mainframe reads them.
        req.text(std::string_view(reinterpret_cast<const char *>(bytes + 1), 1));
        req.sep();
        req.text(std::string_view(reinterpret_cast<const char *>(bytes), 1));
    } else if (n == 17) {
        req.u16(static_cast<std::uint16_t>(std::strtol(static_cast<const char *>(value),
                                                       nullptr, 10)));
    } else if (is_one_of(n, {18, 19, 20, 21, 23})) {
        const char *t = static_cast<const char *>(value);
        req.text(std::string_view(t, strnlen(t, kPropertyTextSize - 1)));
    } else if (n == 22) {
        req.u16(g.property22_one_bit ? static_cast<std::uint16_t>(u16() & 1u) : u16());
    } else if (n == 27 || n == 32) {
        req.u16(u16());
    } else if (n == 31) {
        std::uint32_t u32;
        std::memcpy(&u32, value, sizeof u32);
        req.u32(u32);
    } else {
        return false;
    }
    return true;
}

}  // namespace zevahv::mainframe
