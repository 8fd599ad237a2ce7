#pragma once
// The subcommands.  Each adds itself to the program's CLI11 app with its own
// options and help, and when the command line selects it, leaves in
// `action` what to run once the system is open.

#include <functional>

namespace CLI {
class App;
}

namespace zcli {

class System;

struct Globals {
    bool json = false;
};

using Action = std::function<int(const System&, const Globals&)>;

void add_info(CLI::App& app, Action& action);
void add_params(CLI::App& app, Action& action);
void add_get(CLI::App& app, Action& action);
void add_set(CLI::App& app, Action& action);
void add_monitor(CLI::App& app, Action& action);
void add_exec(CLI::App& app, Action& action);
void add_sysprop(CLI::App& app, Action& action);

}  // namespace zcli
