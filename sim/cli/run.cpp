// The module simulators as a kind of zevahv-sim: the options, the wire
// transport (TCP or a pseudo-terminal), then the control channel until the
// simulator is stopped.
#include <cstdio>
#include <string>
#include <vector>

#include "app/program.h"
#include "cli/options.h"
#include "control/control_channel.h"
#include "devices/registry.h"
#include "engine/simulator.h"
#include "transport/pty_server.h"
#include "transport/tcp_server.h"

namespace sim {

namespace {

int fail(const std::string& message) {
    std::fprintf(stderr, "zevahv-sim: %s\n", message.c_str());
    return 2;
}

int run_modules(const std::string& word, const std::vector<std::string>& rest) {
    std::vector<std::string> args{word};
    args.insert(args.end(), rest.begin(), rest.end());
    Options opts;
    if (auto problem = parse_options(args, opts)) return fail(*problem);
    if (opts.help) {
        std::fputs(help_text(opts.device).c_str(), stdout);
        return 0;
    }
    std::string error;
    auto simulator = Simulator::create(opts, error);
    if (!simulator) return fail(error);
    // Bound before READY, so that READY means every door is open.
    auto control = ControlChannel::open(opts.control, error);
    if (!control) return fail(error);

    if (opts.pty) {
        std::string path;
        int m = pty_open(path, error);
        if (m < 0) return fail(error);
        pty_serve(m, *simulator);
        std::printf("READY pty %s\n", path.c_str());
    } else {
        int port = 0;
        int l = tcp_listen(opts.tcp_host, opts.tcp_port, port, error);
        if (l < 0) return fail(error);
        tcp_serve(l, *simulator);
        std::printf("READY tcp %s %d\n", opts.tcp_host.c_str(), port);
    }
    std::string announce = control->announcement();
    if (!announce.empty()) std::printf("%s\n", announce.c_str());
    std::fflush(stdout);

    Simulator* s = simulator.get();
    control->run({[s](const std::string& line) { return s->control(line); },
                  [s] { return s->quit_requested(); }});
    return 0;
}

std::string help(const std::string& word) { return help_text(word); }

Program modules_program() {
    Program p;
    p.order = 10;
    p.title = "Modules (the module command language, TCP or a pseudo-terminal)";
    for (const auto& k : device_kinds()) p.devices.emplace_back(k.name, k.description);
    p.help = help;
    p.run = run_modules;
    return p;
}

const ProgramRegistration registration(modules_program());

} // namespace

} // namespace sim
