#include "modules/args.h"

#include <climits>
#include <vector>

#include "platform/serial.h"

namespace zevahv::modules {

namespace {

std::vector<std::string_view> split(std::string_view text, char sep) {
    std::vector<std::string_view> out;
    std::size_t start = 0;
    for (;;) {
        std::size_t pos = text.find(sep, start);
        if (pos == std::string_view::npos) {
            out.push_back(text.substr(start));
            return out;
        }
        out.push_back(text.substr(start, pos - start));
        start = pos + 1;
    }
}

}  // namespace

int decimal_field(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    long long v = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        v = v * 10 + (text[i] - '0');
        if (v > INT_MAX) { v = INT_MAX; break; }
    }
    return static_cast<int>(negative ? -v : v);
}

bool parse_serial_arg(std::string_view arg, ArgForm form, int default_board,
                      LinkArgs *out) {
    LinkArgs a;
    a.serial = true;
    a.board = default_board;
    auto f = split(arg, '_');
    a.port_name = std::string(f[0]);
    if (a.port_name.empty()) return false;
    if (form == ArgForm::ComNumberSettings) {
        // The port is given by its number alone.
        bool digits = true;
        for (char c : f[0]) digits = digits && c >= '0' && c <= '9';
        if (!digits) return false;
        a.com_number = decimal_field(f[0]);
    } else {
        a.com_number = platform::serial_port_number(a.port_name);
        if (a.com_number < 0) return false;
    }
    if (f.size() > 1) a.baud = decimal_field(f[1]);
    if (f.size() > 2) a.data_bits = decimal_field(f[2]);
    if (f.size() > 3) a.stop_bits = decimal_field(f[3]);
    if (f.size() > 4) a.parity = decimal_field(f[4]);
    if (form == ArgForm::PortSettingsBoard && f.size() > 5) a.board = decimal_field(f[5]);
    a.host = "127.0.0.1";
    *out = std::move(a);
    return true;
}

bool parse_tcp_arg(std::string_view arg, ArgForm form, int default_board,
                   unsigned short default_port, LinkArgs *out) {
    LinkArgs a;
    a.serial = false;
    auto f = split(arg, '_');
    a.port_name = std::string(f[0]);
    if (a.port_name.empty()) return false;
    a.board = 0;
    if (default_board < 0) a.board = default_board;
    if (form == ArgForm::PortSettingsBoard && f.size() > 1) a.board = decimal_field(f[1]);
    std::string_view addr = f[0];
    std::size_t colon = addr.find(':');
    a.tcp_port = default_port;
    if (colon != std::string_view::npos) {
        std::string_view p = addr.substr(colon + 1);
        if (p.empty() || p.size() > 5) return false;
        long v = 0;
        for (char c : p) {
            if (c < '0' || c > '9') return false;
            v = v * 10 + (c - '0');
        }
        if (v < 1 || v > 65535) return false;
        a.tcp_port = static_cast<unsigned short>(v);
        addr = addr.substr(0, colon);
        if (addr.empty()) return false;
    }
    a.host = std::string(addr);
    *out = std::move(a);
    return true;
}

int effective_baud(int requested) {
    static constexpr int kRates[] = {110,   300,   600,   1200,  2400,   4800,  9600,
                                     14400, 19200, 38400, 57600, 115200, 128000, 256000};
    for (int r : kRates)
        if (r == requested) return r;
    return 115200;
}

}  // namespace zevahv::modules
