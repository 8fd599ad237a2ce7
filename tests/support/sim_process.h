#pragma once
// A zevahv-sim child process for tests (SimChild, sim_child.h) whose
// failures are test failures: a simulator that does not start fails the
// current test and throws, so that the test does not go on without it; a
// control line without an answer fails the test.

#include <memory>
#include <string>
#include <vector>

#include "sim_child.h"

class SimProcess : public SimChild {
public:
    // Spawns "zevahv-sim <device> <args...>" and waits for READY (and for the
    // CONTROL line when --control is among the arguments). A process that
    // does not get ready within 10 s fails the current test (and throws, so
    // that the test does not go on with a missing simulator).
    static std::unique_ptr<SimProcess> start(std::string device,
                                             std::vector<std::string> args = {},
                                             Input input = Input::Pipe);

    // Writes one control line and returns the simulator's reply line (without
    // its line end); an empty text and a test failure after 10 s of silence.
    std::string control(const std::string& cmd);

private:
    SimProcess() = default;
};
