#include <CLI/CLI.hpp>

#include "commands.h"

namespace zcli {

void add_commands(CLI::App& app, Action& action) {
    add_info(app, action);
    add_params(app, action);
    add_get(app, action);
    add_set(app, action);
    add_monitor(app, action);
    add_exec(app, action);
    add_sysprop(app, action);
}

}  // namespace zcli
