#include "app/top_help.h"

#include <sstream>

#include "app/program.h"
#include "control/control_channel.h"

namespace sim {

std::string top_usage() {
    return "usage: zevahv-sim <device> [options]\n"
           "       zevahv-sim <device> --help    the device's own page: its words, status\n"
           "                                     bits and front-panel controls\n"
           "       zevahv-sim --help             this text\n";
}

std::string top_help() {
    std::ostringstream o;
    o << top_usage() << R"(
Simulated devices of the ZEVA range, without hardware: each keeps its state
(set points, ramping monitors, status bits, trips), answers its wire protocol
on a loopback TCP port or a pseudo-terminal as the device would, refusals
included, and serves until it is stopped, in the foreground or in the
background.

On start a simulator prints one line to stdout when it serves:
  READY tcp <host> <port>     or     READY pty <path>
(a bad command line prints a message to stderr and exits with code 2).

)" << control_channel_help()
      << "\nDevices:\n";
    for (const Program* p : programs()) {
        o << "  " << p->title << ":\n";
        for (const auto& d : p->devices) {
            o << "    " << d.first;
            for (size_t i = d.first.size(); i < 10; ++i) o << ' ';
            o << d.second << "\n";
        }
    }
    for (const Program* p : programs())
        if (p->help) o << "\n" << p->help("");
    return o.str();
}

} // namespace sim
