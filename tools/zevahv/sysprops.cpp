#include "sysprops.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "ZEVAHVLink.h"
#include "failure.h"
#include "system.h"

namespace zcli {

namespace {

// A text property (a session list, a description) fits in this with room to
// spare; the buffer is zeroed, so a text always ends inside it.
constexpr size_t kValueBuffer = 64 * 1024;
constexpr size_t kTextWrite = 256;

[[noreturn]] void bad(const SysProp& p, const std::string& word, const std::string& why) {
    throw Failure(kExitBadValue, -1, p.name + ": \"" + word + "\" " + why);
}

long long whole_number(const SysProp& p, const std::string& word, long long lo, long long hi) {
    char* end = nullptr;
    errno = 0;
    long long v = std::strtoll(word.c_str(), &end, 0);
    if (word.empty() || errno != 0 || end != word.c_str() + word.size())
        bad(p, word, "is not a whole number");
    if (v < lo || v > hi)
        throw Failure(kExitBadValue, ZEVAHV_ERR_OUTOFRANGE,
                      p.name + ": \"" + word + "\" is out of range " + std::to_string(lo) +
                          " to " + std::to_string(hi));
    return v;
}

}  // namespace

std::string sysprop_type_word(unsigned type) {
    switch (type) {
    case ZEVAHV_SYSPROP_TYPE_STR: return "text";
    case ZEVAHV_SYSPROP_TYPE_UINT2: return "16-bit";
    case ZEVAHV_SYSPROP_TYPE_UINT4: return "32-bit";
    case ZEVAHV_SYSPROP_TYPE_FREQ: return "frequency";
    default: return "type " + std::to_string(type);
    }
}

Shown show_sysprop(unsigned type, const std::vector<char>& buffer) {
    Shown s;
    if (type == ZEVAHV_SYSPROP_TYPE_STR) {
        s.text.assign(buffer.data(), strnlen(buffer.data(), buffer.size()));
        s.value = s.text;
    } else if (type == ZEVAHV_SYSPROP_TYPE_UINT2 || type == ZEVAHV_SYSPROP_TYPE_FREQ) {
        unsigned short v = 0;
        std::memcpy(&v, buffer.data(), std::min(sizeof v, buffer.size()));
        s.value = v;
        s.text = std::to_string(v);
    } else {
        unsigned v = 0;
        std::memcpy(&v, buffer.data(), std::min(sizeof v, buffer.size()));
        s.value = v;
        s.text = std::to_string(v);
    }
    return s;
}

namespace {

bool printable_text(const std::vector<unsigned char>& value) {
    size_t n = 0;
    while (n < value.size() && value[n] != 0) {
        if (value[n] < 0x20 || value[n] > 0x7E) return false;
        ++n;
    }
    return n > 0 && n < value.size();
}

}  // namespace

Shown show_sysprop_event(unsigned type, const Event& e) {
    bool text = e.legacy ? e.has_text : type == ZEVAHV_SYSPROP_TYPE_STR && printable_text(e.value);
    std::vector<char> bytes;
    if (e.legacy && text)
        bytes.assign(e.legacy_text.begin(), e.legacy_text.end());
    else
        bytes.assign(e.value.begin(), e.value.end());
    bytes.push_back(0);
    if (text) return show_sysprop(ZEVAHV_SYSPROP_TYPE_STR, bytes);
    bool narrow = type == ZEVAHV_SYSPROP_TYPE_UINT2 || type == ZEVAHV_SYSPROP_TYPE_FREQ;
    return show_sysprop(narrow ? type : ZEVAHV_SYSPROP_TYPE_UINT4, bytes);
}

Shown read_sysprop(const System& sys, const SysProp& p) {
    std::vector<char> buffer(kValueBuffer, 0);
    sys.check(ZEVAHV_GetSysProp(sys.handle(), p.name.c_str(), buffer.data()),
              "reading system property " + p.name);
    buffer.back() = 0;
    return show_sysprop(p.type, buffer);
}

std::vector<unsigned char> encode_sysprop(const SysProp& p, const std::string& word) {
    std::vector<unsigned char> out;
    switch (p.type) {
    case ZEVAHV_SYSPROP_TYPE_STR:
        if (word.size() >= kTextWrite)
            bad(p, word.substr(0, 20) + "...",
                "is longer than " + std::to_string(kTextWrite - 1) + " characters");
        out.assign(kTextWrite, 0);
        std::memcpy(out.data(), word.data(), word.size());
        return out;
    case ZEVAHV_SYSPROP_TYPE_UINT2:
    case ZEVAHV_SYSPROP_TYPE_FREQ: {
        auto v = static_cast<unsigned short>(whole_number(p, word, -32768, 65535));
        out.resize(sizeof v);
        std::memcpy(out.data(), &v, sizeof v);
        return out;
    }
    case ZEVAHV_SYSPROP_TYPE_UINT4: {
        auto v = static_cast<unsigned>(whole_number(p, word, 0, 0xFFFFFFFFLL));
        out.resize(sizeof v);
        std::memcpy(out.data(), &v, sizeof v);
        return out;
    }
    default:
        throw Failure(kExitBadValue, -1,
                      p.name + ": the library reports type " + std::to_string(p.type) +
                          ", which this program cannot write");
    }
}

void write_sysprop(const System& sys, const SysProp& p, const std::string& word) {
    std::vector<unsigned char> v = encode_sysprop(p, word);
    sys.check(ZEVAHV_SetSysProp(sys.handle(), p.name.c_str(), v.data()),
              "setting system property " + p.name);
}

}  // namespace zcli
