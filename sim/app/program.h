#pragma once
// The simulator kinds zevahv-sim can run. Each kind lives in a folder of its
// own and registers itself there with a static ProgramRegistration; main()
// only looks the device word up and hands the rest of the command line over.
//
//   static const sim::ProgramRegistration reg({
//       .order = 20,
//       .title = "Mainframes",
//       .devices = {{"kr2440", "KR2440 mainframe, ..."}},
//       .help = mainframe_help,          // its options, control commands ...
//       .run = run_mainframe,            // (word, args) -> exit code
//   });
//
// A run function parses its own options (including --help and --control),
// starts serving, prints its READY line, and ends in ControlChannel::run()
// (control/control_channel.h); its exit code is the process's. Exit code 2
// is kept for a bad command line.

#include <string>
#include <utility>
#include <vector>

namespace sim {

struct Program {
    int order = 0;     // place in the device list of --help
    std::string title; // heading of its devices in --help
    // Device word and one line about it.
    std::vector<std::pair<std::string, std::string>> devices;
    // The kind's own help page, shown by "zevahv-sim <word> --help" (the
    // word given) and, with an empty word, inside "zevahv-sim --help".
    std::string (*help)(const std::string& word) = nullptr;
    int (*run)(const std::string& word, const std::vector<std::string>& args) = nullptr;
};

struct ProgramRegistration {
    explicit ProgramRegistration(Program p);
};

// Every registered kind, in `order`.
std::vector<const Program*> programs();
// The kind that serves a device word; null when none does.
const Program* find_program(const std::string& word);

} // namespace sim
