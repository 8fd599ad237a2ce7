// exec: run one of the system's commands, or list them.
#include <CLI/CLI.hpp>

#include <iostream>
#include <memory>
#include <optional>

#include "ZEVAHVLink.h"
#include "catalog.h"
#include "commands.h"
#include "failure.h"
#include "output.h"
#include "system.h"

namespace zcli {

namespace {

int run_exec(const System& sys, const Globals& g, const std::optional<std::string>& command) {
    if (!command) {
        std::vector<std::string> names = command_names(sys);
        if (g.json) {
            print_json({{"commands", names}});
        } else if (names.empty()) {
            std::cout << "no commands\n";
        } else {
            for (const auto& n : names) std::cout << n << '\n';
        }
        return kExitOk;
    }
    // The library knows best which names it runs: no list is consulted first.
    sys.check(ZEVAHV_ExecComm(sys.handle(), command->c_str()), "command " + *command);
    if (g.json)
        print_json({{"command", *command}, {"result", 0}});
    else
        std::cout << *command << ": done\n";
    return kExitOk;
}

}  // namespace

void add_exec(CLI::App& app, Action& action) {
    auto command = std::make_shared<std::optional<std::string>>();
    CLI::App* sub = app.add_subcommand("exec", "Run a system command, or list the commands");
    sub->add_option("command", *command, "Command name (without it: the list of commands)");
    sub->footer(footer(R"HELP(Examples:
  zevahv --system q3815 --address 127.0.0.1:47002_0 exec
  zevahv --system q3815 --address 127.0.0.1:47002_0 exec ClrAlarm)HELP"));
    when_selected(sub, command, action, run_exec);
}

}  // namespace zcli
