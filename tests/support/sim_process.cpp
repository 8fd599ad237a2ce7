#include "sim_process.h"

#include <gtest/gtest.h>

#include <stdexcept>

std::unique_ptr<SimProcess> SimProcess::start(std::string device,
                                              std::vector<std::string> args, Input input) {
    std::unique_ptr<SimProcess> p(new SimProcess());
    std::string why;
    if (!p->launch(device, std::move(args), &why, input)) {
        ADD_FAILURE() << "zevahv-sim did not start: " << why;
        throw std::runtime_error("zevahv-sim did not start: " + why);
    }
    return p;
}

std::string SimProcess::control(const std::string& cmd) {
    if (!running()) {
        ADD_FAILURE() << "control \"" << cmd << "\" sent to a stopped simulator";
        return {};
    }
    std::string line;
    if (!control_line(cmd, &line)) {
        ADD_FAILURE() << "no answer to control \"" << cmd << "\"";
        return {};
    }
    return line;
}
