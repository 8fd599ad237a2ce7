#pragma once
// The subcommands.  Each adds itself to the program's CLI11 app with its own
// options and help, and when the command line selects it, leaves in
// `action` what to run once the system is open.

#include <CLI/App.hpp>

#include <functional>
#include <memory>
#include <string>

namespace zcli {

class System;

struct Globals {
    bool json = false;
};

using Action = std::function<int(const System&, const Globals&)>;

// A subcommand's help footer: its own text, then where the options that
// name the system are explained.
std::string footer(const char* text);

// Makes `run` (called with the system, the globals and a copy of the
// options as parsed) the action when the subcommand is selected.
template <class Options, class Run>
void when_selected(CLI::App* sub, std::shared_ptr<Options> options, Action& action, Run run) {
    sub->callback([options, &action, run] {
        Options parsed = *options;
        action = [parsed, run](const System& s, const Globals& g) { return run(s, g, parsed); };
    });
}

// Every subcommand that works on an open system (all but batch).
void add_commands(CLI::App& app, Action& action);

void add_info(CLI::App& app, Action& action);
void add_params(CLI::App& app, Action& action);
void add_get(CLI::App& app, Action& action);
void add_set(CLI::App& app, Action& action);
void add_monitor(CLI::App& app, Action& action);
void add_exec(CLI::App& app, Action& action);
void add_sysprop(CLI::App& app, Action& action);
void add_batch(CLI::App& app, Action& action);

}  // namespace zcli
