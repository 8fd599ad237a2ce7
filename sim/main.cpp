// zevahv-sim: simulated modules on a TCP port or a pseudo-terminal, with a
// control channel on stdin. See --help.
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "cli/options.h"
#include "engine/simulator.h"
#include "transport/pty_server.h"
#include "transport/tcp_server.h"

int main(int argc, char** argv) {
    signal(SIGPIPE, SIG_IGN);
    std::vector<std::string> args(argv + 1, argv + argc);
    sim::Options opts;
    if (auto problem = sim::parse_options(args, opts)) {
        std::fprintf(stderr, "zevahv-sim: %s\n", problem->c_str());
        return 2;
    }
    if (opts.help) {
        std::fputs(sim::help_text().c_str(), stdout);
        return 0;
    }
    std::string error;
    auto simulator = sim::Simulator::create(opts, error);
    if (!simulator) {
        std::fprintf(stderr, "zevahv-sim: %s\n", error.c_str());
        return 2;
    }

    if (opts.pty) {
        std::string path;
        int m = sim::pty_open(path, error);
        if (m < 0) {
            std::fprintf(stderr, "zevahv-sim: %s\n", error.c_str());
            return 2;
        }
        sim::pty_serve(m, *simulator);
        std::printf("READY pty %s\n", path.c_str());
    } else {
        int port = 0;
        int l = sim::tcp_listen(opts.tcp_host, opts.tcp_port, port, error);
        if (l < 0) {
            std::fprintf(stderr, "zevahv-sim: %s\n", error.c_str());
            return 2;
        }
        sim::tcp_serve(l, *simulator);
        std::printf("READY tcp %s %d\n", opts.tcp_host.c_str(), port);
    }
    std::fflush(stdout);

    // The control channel. The end of stdin ends the simulator too, so that
    // it never outlives whoever started it.
    std::string line;
    while (std::getline(std::cin, line)) {
        std::string answer = simulator->control(line);
        std::printf("%s\n", answer.c_str());
        std::fflush(stdout);
        if (simulator->quit_requested()) break;
    }
    std::fflush(stdout);
    // Serving threads are still blocked in their reads: leave without running
    // static destructors under them.
    _exit(0);
}
