// The connection argument of a module family: fields separated by "_",
// missing trailing fields take their defaults.
//   serial: port_baud_databits_stopbits_parity_board   (board: per family)
//   TCP:    ip_board or ip; the ip may carry ":port", which replaces the
//           family's fixed port (simulators, forwarding, tests)
#pragma once

#include <string>
#include <string_view>

#include "modules/family.h"

namespace zevahv::modules {

struct LinkArgs {
    bool serial = false;
    // Serial: the port name as given ("COM3", "/dev/pts/7"; a port given by
    // its number, "3", is "COM3"); TCP: the address text as given, ":port"
    // suffix included ("127.0.0.1:47001").
    std::string port_name;
    int com_number = -1;      // serial: number at the first digit of the name
    int baud = 9600;
    int data_bits = 8;
    int stop_bits = 0;
    int parity = 0;
    int board = 0;            // -1: no board address
    std::string host;         // TCP: the address without the suffix
    unsigned short tcp_port = 0;
};

// Parses a serial argument.  False when the port name is empty or holds no
// decimal digit.  The numeric fields are read as C's atoi reads them (text
// that is not a number counts as 0, huge values are clamped).
bool parse_serial_arg(std::string_view arg, ArgForm form, int default_board,
                      LinkArgs *out);

// Parses a TCP argument.  False when the address is not a dotted IPv4
// address (no host names) or its ":port" suffix is not a port number
// 1..65535.  Numeric fields after the address are read as C's atoi reads.
bool parse_tcp_arg(std::string_view arg, ArgForm form, int default_board,
                   unsigned short default_port, LinkArgs *out);

// The baud rate the port is set to: the requested one when it is one of the
// rates that modules support, else 115200.
int effective_baud(int requested);

}  // namespace zevahv::modules
