#pragma once
// The families the zevahv tests run against, and a fixture that starts the
// family's device and runs zevahv on it.  A family joins the tests with one
// entry in tool_families(): module_family(), mainframe_family() or
// register_family(), which know how to start the device, name it to
// zevahv, see its writes and make it refuse them.
//
// Opening is the slow part of several families (a Q3815 reads its limits
// with pauses between them), so tests run their steps in one zevahv batch
// where they can: one open for many subcommands.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sim_process.h"
#include "tool_process.h"

using Json = nlohmann::json;

struct ToolFamily {
    std::string name;  // the --system word
    // What slot 0 reports: its model (or the start of it), serial number
    // (none when the family has none) and firmware ("" when not checked).
    std::string model;
    std::optional<unsigned> serial;
    std::string firmware;
    // A numeric channel parameter of slot 0 that every channel has and that
    // can be read and watched.
    std::string watch_param;
    enum class Events { kPolling, kCrateStream, kCrateDatagrams } events = Events::kPolling;
    // Starts the device with `extra` options; null for the families on the
    // stand-in communication library, which lives inside zevahv itself.
    std::function<std::unique_ptr<SimProcess>(const std::vector<std::string>& extra)> start;
    // The options that name the system (sim null for the stand-in).
    std::function<std::vector<std::string>(const SimProcess* sim)> system_args;
    // The options that name such a system where none answers.
    std::function<std::vector<std::string>()> unreachable;
    // Whether a line of the device's log is a write of a value, and how
    // many such writes an open makes by itself.
    std::function<bool(const std::string& line)> is_write;
    size_t writes_at_open = 0;
    // Makes the device refuse every write from now on; the library's code
    // for such a refusal.
    std::function<void(SimProcess* sim)> refuse_writes;
    int refusal_code = 0;
    // Makes the device stop delivering events (nothing changes any more,
    // or it falls silent).
    std::function<void(SimProcess* sim)> silence;
    // Makes the watched parameter of channel 0 keep changing for a while,
    // where only changes are sent (a crate); nothing for polled devices,
    // which send every value every cycle.
    std::function<void(SimProcess* sim)> keep_changing = [](SimProcess*) {};
    // The links of the communication library the board is reached by.
    std::vector<std::string> links;
    bool mainframe() const { return events != Events::kPolling; }
};

// Test names and messages show the family by its name.
void PrintTo(const ToolFamily& f, std::ostream* os);

const std::vector<ToolFamily>& tool_families();
// The rows of one kind, for tests of what only they have.
std::vector<ToolFamily> mainframe_families();
std::vector<ToolFamily> register_families();

std::string family_name(const ::testing::TestParamInfo<ToolFamily>& info);

// A zevahv batch that a test talks to line by line: every line written
// gives one line of JSON back (the command's document, or its error).
class ToolSession {
public:
    explicit ToolSession(const std::vector<std::string>& system_args);
    // One command; its document, or {"error": ..., "code": ..., "exit": ...}.
    Json ask(const std::string& line);
    // A command that prints one line per event (monitor with --count).
    std::vector<Json> ask_lines(const std::string& line, size_t lines);
    int end();  // closes its input; the exit code
    std::string err() { return tool_.err(); }

private:
    RunningTool tool_;
};

class ToolTest : public ::testing::TestWithParam<ToolFamily> {
protected:
    // Starts the device with `extra` options (the fixture does not start
    // one by itself, so that tests may choose).
    void start_sim(const std::vector<std::string>& extra = {});
    std::vector<std::string> system_args() const { return GetParam().system_args(sim_.get()); }
    std::vector<std::string> with_system(const std::vector<std::string>& args) const;
    // zevahv <system options> <args...>
    ToolResult zevahv(const std::vector<std::string>& args, int timeout_ms = 60000) const;
    // zevahv <system options> batch <options...>, with these lines as input.
    ToolResult batch(const std::vector<std::string>& lines,
                     const std::vector<std::string>& options = {}) const;
    std::unique_ptr<ToolSession> session() const;

    // The first parameter (of the board, else of channel 0) of slot 0 that
    // `want` accepts, from a description of `params 0 --json`.
    static std::optional<Json> find_param(const Json& params,
                                          const std::function<bool(const Json&)>& want,
                                          bool board = false);
    // The writes the device has seen since it started, less those that
    // `opens` opens made by themselves.
    size_t writes(size_t opens) const;
    void refuse_writes() { GetParam().refuse_writes(sim_.get()); }

    std::unique_ptr<SimProcess> sim_;
    size_t log_mark_ = 0;  // the stand-in's call log when the test began
};

// Predicates over a parameter description of `params --json`.
bool is_writable_number(const Json& p);  // numeric, RW, with a range
bool is_writable_choice(const Json& p);  // choice, RW, at least two choices
bool is_writable_state(const Json& p);   // on/off, RW, with both texts
bool is_readable_number(const Json& p);  // numeric, not write-only
