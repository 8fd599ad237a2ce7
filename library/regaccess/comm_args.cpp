#include "regaccess/comm_args.h"

#include <vector>

#include "ZEVAHVLink.h"
#include "platform/tcp.h"

namespace zevahv::regaccess {

namespace {

std::vector<std::string_view> split(std::string_view text, char sep) {
    std::vector<std::string_view> out;
    for (;;) {
        const auto pos = text.find(sep);
        out.push_back(text.substr(0, pos));
        if (pos == std::string_view::npos) return out;
        text = text.substr(pos + 1);
    }
}

// Digits only, at most max_value.
bool number(std::string_view s, int radix, unsigned long long max_value, unsigned long long *out) {
    if (radix == 16 && s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) s.remove_prefix(2);
    if (s.empty()) return false;
    unsigned long long v = 0;
    for (char c : s) {
        int d;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (radix == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else if (radix == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
        else return false;
        v = v * static_cast<unsigned>(radix) + static_cast<unsigned>(d);
        if (v > max_value) return false;
    }
    *out = v;
    return true;
}

}  // namespace

std::optional<int> comm_link_code(int link_type) {
    switch (link_type) {
    case ZEVAHV_LINK_USB: return kCommUsb;
    case ZEVAHV_LINK_OPTLINK: return kCommOptLink;
    case ZEVAHV_LINK_B7301: return kCommB7301;
    case ZEVAHV_LINK_TCPIP: return kCommTcp;
    case ZEVAHV_LINK_USB3: return kCommUsb3;
    default: return std::nullopt;
    }
}

bool is_dotted_ipv4(std::string_view text) {
    if (const auto colon = text.find(':'); colon != std::string_view::npos) {
        unsigned long long port = 0;
        if (!number(text.substr(colon + 1), 10, 65535, &port) || port == 0) return false;
        text = text.substr(0, colon);
    }
    return platform::parse_ipv4(text);
}

bool parse_comm_args(std::string_view arg, int link_type, CommArgs *out) {
    const auto code = comm_link_code(link_type);
    if (!code) return false;
    CommArgs a;
    a.link_type = link_type;
    a.comm_link = *code;
    const auto f = split(arg, '_');
    if (f.size() > 3) return false;

    if (a.comm_link == kCommTcp) {
        if (f[0].size() > kMaxIpText || !is_dotted_ipv4(f[0])) return false;
        a.ip = std::string(f[0]);
    } else {
        unsigned long long n = 0;
        if (!number(f[0], 10, 0x7FFFFFFF, &n)) return false;
        a.link_number = static_cast<int>(n);
    }

    unsigned long long v = 0;
    if (a.comm_link == kCommB7301) {
        // The bridge addresses its boards by base address alone.
        if (f.size() > 1 && !f[1].empty() && !number(f[1], 16, 0x7FFFFFFF, &v)) return false;
        a.node = 0;
    } else {
        if (f.size() < 2 || !number(f[1], 16, 0x7FFFFFFF, &v)) return false;
        a.node = static_cast<unsigned>(v);
    }
    if (f.size() > 2) {
        if (!number(f[2], 16, 0xFFFFFFFF, &v)) return false;
        a.base = static_cast<unsigned>(v);
    }
    *out = std::move(a);
    return true;
}

}  // namespace zevahv::regaccess
