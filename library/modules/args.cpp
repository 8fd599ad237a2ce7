#include "modules/args.h"

#include "frame/fields.h"
#include "platform/serial.h"
#include "platform/tcp.h"

namespace zevahv::modules {

bool parse_serial_arg(std::string_view arg, ArgForm form, int default_board,
                      LinkArgs *out) {
    LinkArgs a;
    a.serial = true;
    a.board = default_board;
    const auto f = split_fields(arg, '_');
    a.port_name = std::string(f[0]);
    if (a.port_name.empty()) return false;
    if (form == ArgForm::ComNumberSettings && a.port_name[0] != '/') {
        // The port is given by its number alone: COM<n>, which is
        // /dev/COM<n> here (a link a udev rule makes).  A device path is
        // taken as it is, as for every family.
        bool digits = true;
        for (char c : f[0]) digits = digits && c >= '0' && c <= '9';
        if (!digits) return false;
        a.com_number = leading_decimal(f[0]);
        a.port_name = "COM" + std::to_string(a.com_number);
    } else {
        a.com_number = platform::serial_port_number(a.port_name);
        if (a.com_number < 0) return false;
    }
    if (f.size() > 1) a.baud = leading_decimal(f[1]);
    if (f.size() > 2) a.data_bits = leading_decimal(f[2]);
    if (f.size() > 3) a.stop_bits = leading_decimal(f[3]);
    if (f.size() > 4) a.parity = leading_decimal(f[4]);
    if (form == ArgForm::PortSettingsBoard && f.size() > 5) a.board = leading_decimal(f[5]);
    a.host = "127.0.0.1";
    *out = std::move(a);
    return true;
}

bool parse_tcp_arg(std::string_view arg, ArgForm form, int default_board,
                   unsigned short default_port, LinkArgs *out) {
    LinkArgs a;
    a.serial = false;
    const auto f = split_fields(arg, '_');
    a.port_name = std::string(f[0]);
    if (a.port_name.empty()) return false;
    a.board = 0;
    if (default_board < 0) a.board = default_board;
    if (form == ArgForm::PortSettingsBoard && f.size() > 1) a.board = leading_decimal(f[1]);
    std::string_view addr = f[0];
    const std::size_t colon = addr.find(':');
    a.tcp_port = default_port;
    if (colon != std::string_view::npos) {
        unsigned v = 0;
        if (!parse_digits(addr.substr(colon + 1), 5, &v) || v < 1 || v > 65535) return false;
        a.tcp_port = static_cast<unsigned short>(v);
        addr = addr.substr(0, colon);
    }
    // A numeric address only: a name would have to be looked up.
    if (!platform::parse_ipv4(addr)) return false;
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
