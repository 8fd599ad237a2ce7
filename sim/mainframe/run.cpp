// The mainframe simulator as a kind of zevahv-sim: the options, the crate,
// the request port, the event ticker, then the control channel until the
// simulator is stopped.
#include <cstdio>
#include <string>
#include <vector>

#include "app/program.h"
#include "control/control_channel.h"
#include "mainframe/options.h"
#include "mainframe/server.h"
#include "transport/tcp_server.h"

namespace sim::mf {

namespace {

int fail(const std::string& message) {
    std::fprintf(stderr, "zevahv-sim: %s\n", message.c_str());
    return 2;
}

int run_mainframe(const std::string& word, const std::vector<std::string>& args) {
    RunOptions o;
    if (auto problem = parse_run_options(word, args, o)) return fail(*problem);
    if (o.help) {
        std::fputs(mainframe_help(word).c_str(), stdout);
        return 0;
    }
    std::string error;
    if (o.print_crate) {
        if (!is_builtin_crate(o.crate)) return fail("--print-crate shows the built-in crates: default or full");
        std::printf("%s\n", builtin_crate_json(o.crate).c_str());
        return 0;
    }
    auto spec = crate_of(o, error);
    if (!spec) return fail(error);
    bool legacy = spec->generation == Generation::Legacy;
    std::string host = o.tcp_host.value_or(legacy ? kDefaultLegacyHost : kDefaultCurrentHost);
    int want_port = o.tcp_port.value_or(legacy ? kMainframePort : 0);

    auto control = ControlChannel::open(o.control, error);
    if (!control) return fail(error);
    int port = 0;
    int listen_fd = tcp_listen(host, want_port, port, error);
    if (listen_fd < 0) return fail(error);

    o.mainframe.host = host;
    o.mainframe.port = static_cast<uint16_t>(port);
    auto mainframe = Mainframe::create(std::move(*spec), o.mainframe, error);
    if (!mainframe) return fail(error);
    if (o.fault) mainframe->control("fault " + *o.fault);
    serve_requests(listen_fd, *mainframe);
    mainframe->start_ticker();

    std::printf("READY tcp %s %d\n", host.c_str(), port);
    std::string announce = control->announcement();
    if (!announce.empty()) std::printf("%s\n", announce.c_str());
    std::fflush(stdout);

    Mainframe* m = mainframe.get();
    control->run({[m](const std::string& line) { return m->control(line); },
                  [m] { return m->quit_requested(); }});
    // Connection threads still use the crate: leave it to the process's end.
    mainframe.release();
    return 0;
}

Program mainframe_program() {
    Program p;
    p.order = 20;
    p.title = "Mainframes (the binary session protocol and its event stream)";
    p.devices = {
        {"mainframe", "multichannel HV crate, current generation (KR2440) unless --legacy"},
        {"kr2440", "the same as mainframe"},
        {"kr2550", "a current crate answering KR2550 as its model"},
        {"kr2210", "a legacy crate (LOGIN, legacy properties, UDP event messages)"},
        {"kr2220", "a legacy crate answering KR2220 as its model"},
    };
    p.help = mainframe_help;
    p.run = run_mainframe;
    return p;
}

const ProgramRegistration registration(mainframe_program());

} // namespace

} // namespace sim::mf
