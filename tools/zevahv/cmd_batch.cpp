// batch: many subcommands on one open system, one a line, from standard
// input or a file.  Opening is the slow part for several families (a
// module reads its limits with pauses between them), and a register-access
// board on the stand-in library keeps its state only while it is open: a
// script that sets a value and watches it ramp needs one open for both.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>

#include "commands.h"
#include "failure.h"
#include "output.h"
#include "signals.h"
#include "system.h"
#include "words.h"

namespace zcli {

namespace {

struct BatchOptions {
    std::optional<std::string> file;
    bool keep_going = false;
};

// A failed line: on stderr as any failure (with the line's number), and in
// JSON mode as one object on stdout, so that every line of input gives one
// line of output.
int report(const System& sys, bool json, unsigned number, const std::string& message, int code,
           int exit_code) {
    std::cerr << "zevahv: " << sys.spec().label() << ": line " << number << ": "
              << with_code(message, code) << std::endl;
    if (json) {
        Json j = {{"line", number}, {"error", message}, {"code", nullptr}, {"exit", exit_code}};
        if (code >= 0) j["code"] = code;
        print_json(j);
    }
    return exit_code;
}

// One line: the exit code it would have had as a program of its own.
int run_line(const System& sys, const Globals& batch_globals, const std::string& line,
             unsigned number) {
    std::vector<std::string> words;
    try {
        words = split_words(line);
    } catch (const Failure& f) {
        return report(sys, batch_globals.json, number, f.what(), f.code(), f.exit_code());
    }
    if (words.empty()) return kExitOk;  // blank, or a comment

    CLI::App app{"a line of a batch", "zevahv"};
    app.require_subcommand(1);
    app.fallthrough();
    Globals globals = batch_globals;
    app.add_flag("--json", globals.json, "JSON output for scripts");
    Action action;
    add_commands(app, action);
    std::reverse(words.begin(), words.end());  // CLI11 takes them last first
    try {
        app.parse(words);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e, std::cout, std::cerr);
    } catch (const CLI::ParseError& e) {
        return report(sys, globals.json, number, e.what(), -1, kExitUsage);
    }
    try {
        return action(sys, globals);
    } catch (const Failure& f) {
        return report(sys, globals.json, number, f.what(), f.code(), f.exit_code());
    } catch (const std::exception& e) {
        return report(sys, globals.json, number, e.what(), -1, kExitLibrary);
    }
}

int run_batch(const System& sys, const Globals& g, const BatchOptions& o) {
    std::ifstream file;
    std::istream* in = &std::cin;
    if (o.file && *o.file != "-") {
        file.open(*o.file);
        if (!file) throw Failure(kExitUsage, -1, "cannot read the batch file " + *o.file);
        in = &file;
    }
    set_json_lines(true);
    // Ctrl-C ends the batch after the line that runs (a watch at once).
    StopSignals signals;
    int first_failure = kExitOk;
    unsigned number = 0;
    std::string line;
    while (!stop_requested() && std::getline(*in, line)) {
        int rc = run_line(sys, g, line, ++number);
        std::cout.flush();
        if (rc == kExitOk) continue;
        if (first_failure == kExitOk) first_failure = rc;
        if (!o.keep_going) break;
    }
    return first_failure;
}

}  // namespace

void add_batch(CLI::App& app, Action& action) {
    auto o = std::make_shared<BatchOptions>();
    CLI::App* sub = app.add_subcommand(
        "batch", "Run subcommands from standard input or a file, one a line, on one open system");
    sub->add_option("file", o->file, "File of subcommands (default, or \"-\": standard input)");
    sub->add_flag("-k,--keep-going", o->keep_going,
                  "Run the lines after a failing one too (the exit code is the first failure's)");
    sub->footer(footer(R"HELP(Each line is a subcommand with its arguments as on the command line
("get 0 VMon --channel 0-3"), without the options that name the system: the
system is opened once, for all lines.  Words are split at blanks; quote a
text with blanks ('HV crate 2' or "HV crate 2"); # starts a comment.
Output comes line by line as each command ends.  With --json (for the batch,
or on a line) every document is printed on one line, and a failing line
prints {"line": N, "error": ..., "code": ..., "exit": ...} as well as its
message on stderr, so that each line of input gives one line of output
(monitor: one line per event).  The batch stops at the first failing line
(--keep-going: runs on) and exits with that line's exit code.  Ctrl-C ends
it after the running line, and a watch at once.

Examples:
  printf 'set 0 VSet 1200 --channel 0\nset 0 Pw On --channel 0\nmonitor 0.0.VMon --seconds 5\n' |
      zevahv --system q3815 --address 127.0.0.1:47002_0 batch
  zevahv --system w40xx --link usb --address 0_0_32100000 batch --json checks.txt)HELP"));
    when_selected(sub, o, action, run_batch);
}

}  // namespace zcli
