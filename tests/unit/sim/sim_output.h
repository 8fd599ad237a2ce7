#pragma once
// What "zevahv-sim <args>" prints to stdout, for tests of its help pages.
#include <cstdio>
#include <string>

#include "sim_process.h"

inline std::string sim_output(const std::string& args, int* exit_status = nullptr) {
    FILE* f = popen((std::string(SimProcess::binary_path()) + " " + args).c_str(), "r");
    std::string text;
    if (!f) return text;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
    int status = pclose(f);
    if (exit_status) *exit_status = status;
    return text;
}
