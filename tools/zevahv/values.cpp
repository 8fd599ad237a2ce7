#include "values.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "ZEVAHVLink.h"
#include "failure.h"
#include "names.h"

namespace zcli {

namespace {

constexpr size_t kTextBuffer = 1024;
constexpr unsigned kMaxDecimals = 12;

unsigned as_uint(const void* bytes) {
    unsigned u;
    std::memcpy(&u, bytes, sizeof u);
    return u;
}

float as_float(const void* bytes) {
    float f;
    std::memcpy(&f, bytes, sizeof f);
    return f;
}

std::string hex(unsigned v, int digits) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%0*X", digits, v);
    return buf;
}

// A whole word as a number: no blanks, nothing after it.
bool parse_double(const std::string& word, double* out) {
    if (word.empty() || std::isspace(static_cast<unsigned char>(word[0]))) return false;
    char* end = nullptr;
    double v = std::strtod(word.c_str(), &end);
    if (end != word.c_str() + word.size() || !std::isfinite(v)) return false;
    *out = v;
    return true;
}

bool parse_unsigned(const std::string& word, unsigned long long* out) {
    if (word.empty() || !std::isdigit(static_cast<unsigned char>(word[0]))) return false;
    char* end = nullptr;
    errno = 0;
    unsigned long long v = std::strtoull(word.c_str(), &end, 0);  // decimal or 0x hex
    if (errno != 0 || end != word.c_str() + word.size()) return false;
    *out = v;
    return true;
}

std::vector<unsigned char> four_bytes(const void* v) {
    std::vector<unsigned char> out(4);
    std::memcpy(out.data(), v, 4);
    return out;
}

std::vector<unsigned char> uint_bytes(unsigned v) { return four_bytes(&v); }

std::string range_text(const ParamInfo& p) {
    return number_text(*p.min, p.decimals) + " to " + number_text(*p.max, p.decimals);
}

bool has_range(const ParamInfo& p) { return p.min && p.max && *p.max > *p.min; }

[[noreturn]] void bad(const ParamInfo& p, const std::string& word, const std::string& why,
                      int code = -1) {
    throw Failure(kExitBadValue, code, p.name + ": \"" + word + "\" " + why);
}

std::string quoted_list(const std::vector<std::string>& words) {
    std::string out;
    for (const auto& w : words) {
        if (!out.empty()) out += ", ";
        out += "\"" + w + "\"";
    }
    return out;
}

std::vector<unsigned char> encode_number(const ParamInfo& p, const std::string& word) {
    double v = 0;
    if (!parse_double(word, &v)) bad(p, word, "is not a number");
    if (has_range(p) && (v < *p.min || v > *p.max))
        bad(p, word, "is out of range " + range_text(p), ZEVAHV_ERR_OUTOFRANGE);
    if (std::fabs(v) > std::numeric_limits<float>::max()) bad(p, word, "is too large");
    float f = static_cast<float>(v);
    return four_bytes(&f);
}

std::vector<unsigned char> encode_state(const ParamInfo& p, const std::string& word) {
    if (!p.on_text.empty() && equal_ignoring_case(word, p.on_text)) return uint_bytes(1);
    if (!p.off_text.empty() && equal_ignoring_case(word, p.off_text)) return uint_bytes(0);
    if (word == "1") return uint_bytes(1);
    if (word == "0") return uint_bytes(0);
    std::vector<std::string> words;
    if (!p.on_text.empty()) words.push_back(p.on_text);
    if (!p.off_text.empty()) words.push_back(p.off_text);
    words.push_back("1");
    words.push_back("0");
    bad(p, word, "is not one of " + quoted_list(words));
}

std::vector<unsigned char> encode_choice(const ParamInfo& p, const std::string& word) {
    unsigned first = p.min ? static_cast<unsigned>(std::max(0.0f, *p.min)) : 0;
    // A choice's own text wins over an index: on a gain list "1, 2, 4, 8"
    // the word "4" means the choice shown as 4, as get prints it.
    for (size_t k = 0; k < p.choices.size(); ++k)
        if (equal_ignoring_case(word, p.choices[k]))
            return uint_bytes(first + static_cast<unsigned>(k));
    // Where choices read as numbers, a bare number that names none of them
    // is refused rather than taken as an index: "3" on a gain list 1, 2, 4,
    // 8 must not quietly become gain 8.
    bool numeric_texts = false;
    for (const auto& c : p.choices) {
        double ignored;
        numeric_texts = numeric_texts || parse_double(c, &ignored);
    }
    bool marked = !word.empty() && word[0] == '#';
    std::string digits = marked ? word.substr(1) : word;
    unsigned long long index = 0;
    if ((numeric_texts && !marked) || !parse_unsigned(digits, &index)) {
        std::string why = "is not a choice";
        if (!p.choices.empty()) why += " (" + quoted_list(p.choices) + ", or an index as #N)";
        bad(p, word, why);
    }
    if (p.min && p.max && (index < first || static_cast<double>(index) > *p.max))
        bad(p, word,
            "is out of range: indexes " + std::to_string(first) + " to " +
                std::to_string(static_cast<unsigned>(*p.max)),
            ZEVAHV_ERR_OUTOFRANGE);
    if (index > std::numeric_limits<unsigned>::max()) bad(p, word, "is too large");
    return uint_bytes(static_cast<unsigned>(index));
}

std::vector<unsigned char> encode_text(const ParamInfo& p, const std::string& word) {
    if (word.size() >= kTextBuffer)
        bad(p, word.substr(0, 20) + "...", "is longer than " + std::to_string(kTextBuffer - 1) +
                                             " characters");
    std::vector<unsigned char> out(kTextBuffer, 0);
    std::memcpy(out.data(), word.data(), word.size());
    return out;
}

std::vector<unsigned char> encode_word(const ParamInfo& p, const std::string& word) {
    unsigned long long v = 0;
    if (!parse_unsigned(word, &v) || v > std::numeric_limits<unsigned>::max())
        bad(p, word, "is not an unsigned 32-bit number (decimal or 0x hex)");
    return uint_bytes(static_cast<unsigned>(v));
}

}  // namespace

std::string fixed(double v, unsigned decimals) {
    char buf[512];
    std::snprintf(buf, sizeof buf, "%.*f", static_cast<int>(std::min(decimals, kMaxDecimals)), v);
    // A locale with a decimal comma must not leak into scripts' output.
    for (char* c = buf; *c; ++c)
        if (*c == ',') *c = '.';
    return buf;
}

std::string number_text(float v, const std::optional<unsigned>& decimals) {
    if (decimals) return fixed(v, *decimals);
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);  // shortest, always a point
    return std::string(buf, r.ptr);
}

std::string unit_text(int unit, int exp) {
    static const char* const units[] = {"",  "A",   "V", "W",   "°C",    "Hz",
                                        "bar", "V/s", "s", "rpm", "count", "bit"};
    std::string u = unit >= 0 && unit < static_cast<int>(std::size(units)) ? units[unit] : "";
    if (u.empty()) return u;
    switch (exp) {
    case 0: return u;
    case -12: return "p" + u;
    case -9: return "n" + u;
    case -6: return "u" + u;
    case -3: return "m" + u;
    case 3: return "k" + u;
    case 6: return "M" + u;
    case 9: return "G" + u;
    default: return "e" + std::to_string(exp) + " " + u;
    }
}

std::string type_word(unsigned type) {
    switch (type) {
    case ZEVAHV_PARAM_TYPE_NUMERIC: return "numeric";
    case ZEVAHV_PARAM_TYPE_ONOFF: return "on/off";
    case ZEVAHV_PARAM_TYPE_CHSTATUS: return "ch-status";
    case ZEVAHV_PARAM_TYPE_BDSTATUS: return "bd-status";
    case ZEVAHV_PARAM_TYPE_BINARY: return "raw";
    case ZEVAHV_PARAM_TYPE_STRING: return "text";
    case ZEVAHV_PARAM_TYPE_ENUM: return "choice";
    case ZEVAHV_PARAM_TYPE_CMD: return "command";
    default: return "type " + std::to_string(type);
    }
}

std::string mode_word(unsigned mode) {
    switch (mode) {
    case ZEVAHV_PARAM_MODE_RDONLY: return "R";
    case ZEVAHV_PARAM_MODE_WRONLY: return "W";
    case ZEVAHV_PARAM_MODE_RDWR: return "RW";
    default: return "mode " + std::to_string(mode);
    }
}

Shown show_value(const ParamInfo& p, const void* bytes, size_t size) {
    Shown s;
    std::string unit = unit_text(p.unit, p.exp);
    auto with_unit = [&](std::string t) { return unit.empty() ? t : t + " " + unit; };
    if (p.type == ZEVAHV_PARAM_TYPE_STRING) {
        const char* t = static_cast<const char*>(bytes);
        s.text.assign(t, strnlen(t, size));
        s.value = s.text;
        return s;
    }
    if (p.type == ZEVAHV_PARAM_TYPE_CMD || size < 4) {
        s.value = nullptr;
        return s;
    }
    switch (p.type) {
    case ZEVAHV_PARAM_TYPE_NUMERIC: {
        float f = as_float(bytes);
        if (!std::isfinite(f)) {
            s.value = nullptr;
            s.text = with_unit(std::isnan(f) ? "nan" : f > 0 ? "inf" : "-inf");
            break;
        }
        std::string t = number_text(f, p.decimals);
        // The JSON number is the value as shown, not the float's binary tail;
        // whole-number parameters give whole numbers.
        double shown = std::strtod(t.c_str(), nullptr);
        if (p.decimals == 0u && std::fabs(shown) < 9.0e15)
            s.value = static_cast<long long>(shown);
        else
            s.value = shown;
        s.text = with_unit(t);
        break;
    }
    case ZEVAHV_PARAM_TYPE_ONOFF: {
        unsigned u = as_uint(bytes);
        s.value = u;
        const std::string& t = u ? p.on_text : p.off_text;
        s.text = t.empty() || u > 1 ? std::to_string(u) : t;
        break;
    }
    case ZEVAHV_PARAM_TYPE_ENUM: {
        unsigned u = as_uint(bytes);
        s.value = u;
        unsigned first = p.min ? static_cast<unsigned>(std::max(0.0f, *p.min)) : 0;
        if (u >= first && u - first < p.choices.size() && !p.choices[u - first].empty())
            s.text = with_unit(p.choices[u - first]);
        else
            s.text = "#" + std::to_string(u);
        break;
    }
    case ZEVAHV_PARAM_TYPE_CHSTATUS:
    case ZEVAHV_PARAM_TYPE_BDSTATUS:
        s.value = as_uint(bytes);
        s.text = hex(as_uint(bytes), 4);
        break;
    default:
        s.value = as_uint(bytes);
        s.text = hex(as_uint(bytes), 8);
        break;
    }
    return s;
}

std::vector<unsigned char> encode_value(const ParamInfo& p, const std::string& word) {
    switch (p.type) {
    case ZEVAHV_PARAM_TYPE_NUMERIC: return encode_number(p, word);
    case ZEVAHV_PARAM_TYPE_ONOFF: return encode_state(p, word);
    case ZEVAHV_PARAM_TYPE_ENUM: return encode_choice(p, word);
    case ZEVAHV_PARAM_TYPE_STRING: return encode_text(p, word);
    case ZEVAHV_PARAM_TYPE_CMD: return uint_bytes(1);
    default: return encode_word(p, word);
    }
}

}  // namespace zcli
