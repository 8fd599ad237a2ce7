// zevahv-sim: device simulators on loopback TCP ports or pseudo-terminals,
// each driven through its control channel. See --help.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/program.h"
#include "app/top_help.h"
#include "control/control_channel.h"

int main(int argc, char** argv) {
    // Before anything starts a thread: signals and descriptors 0 to 2.
    sim::prepare_process();
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        std::fputs(sim::top_usage().c_str(), stderr);
        return 2;
    }
    if (args[0] == "--help" || args[0] == "-h") {
        std::fputs(sim::top_help().c_str(), stdout);
        return 0;
    }
    // The device word comes first; one given later among the options is
    // taken too.
    auto word = std::find_if(args.begin(), args.end(),
                             [](const std::string& a) { return sim::find_program(a) != nullptr; });
    if (word == args.end()) {
        bool help = std::find(args.begin(), args.end(), "--help") != args.end();
        if (help && args[0][0] == '-') {
            std::fputs(sim::top_help().c_str(), stdout);
            return 0;
        }
        std::fprintf(stderr, "zevahv-sim: %s\n",
                     args[0][0] == '-' ? "no device given (try --help)"
                                       : ("unknown device " + args[0] + " (try --help)").c_str());
        return 2;
    }
    std::string device = *word;
    args.erase(word);
    int rc = sim::find_program(device)->run(device, args);
    std::fflush(stdout);
    // Serving threads are still blocked in their reads: leave without
    // running static destructors under them.
    _exit(rc);
}
