#pragma once
// The families the zevahv tests run against, and a fixture that starts the
// family's simulator and runs zevahv on it.  A family joins the tests with
// one entry in tool_families(): module families with module_family(), any
// other with a ToolFamily of its own (how to start its simulator, how to
// name the system to zevahv).

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
    std::string name;  // the --system word, as the crate map's model begins
    std::function<std::unique_ptr<SimProcess>(const std::vector<std::string>& extra)> start;
    // The options that name the system on the simulator.
    std::function<std::vector<std::string>(const SimProcess&)> system_args;
};

// Test names and messages show the family by its name.
void PrintTo(const ToolFamily& f, std::ostream* os);

// A module family served by `zevahv-sim <device>` over loopback TCP.
ToolFamily module_family(const std::string& device, const std::string& system);

const std::vector<ToolFamily>& tool_families();

class ToolTest : public ::testing::TestWithParam<ToolFamily> {
protected:
    // Starts the simulator with `extra` options (the fixture does not start
    // one by itself, so that tests may choose).
    void start_sim(const std::vector<std::string>& extra = {});
    std::vector<std::string> system_args() const { return GetParam().system_args(*sim_); }
    // zevahv <system options> <args...>
    ToolResult zevahv(const std::vector<std::string>& args, int timeout_ms = 60000) const;
    // The same with --json, parsed; fails the test on a non-zero exit or bad JSON.
    Json zevahv_json(const std::vector<std::string>& args) const;

    // The first parameter of slot 0 (channel parameters as channel 0 has
    // them) that `want` accepts, from `params --json`.
    std::optional<Json> find_param(const std::function<bool(const Json&)>& want, bool board = false) const;

    std::unique_ptr<SimProcess> sim_;
};

// Predicates over a parameter description of `params --json`.
bool is_writable_number(const Json& p);  // numeric, RW, with a range
bool is_writable_choice(const Json& p);  // choice, RW, at least two choices
bool is_writable_state(const Json& p);   // on/off, RW, with both texts

std::string family_name(const ::testing::TestParamInfo<ToolFamily>& info);

// The lines of the simulator's log that are set commands (without "> ").
std::vector<std::string> set_commands(const SimProcess& sim);
