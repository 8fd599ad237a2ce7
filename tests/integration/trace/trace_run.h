#pragma once
// zevahv run with environment variables of the test's choosing (the trace
// is read from the environment when the library loads), its output kept in
// files of a scratch folder that goes with the test.

#include <string>
#include <vector>

struct TraceRun {
    int exit_code = -1;  // -1: did not exit normally within the time
    std::string out, err;
};

class TraceFolder {
public:
    TraceFolder();
    ~TraceFolder();
    TraceFolder(const TraceFolder &) = delete;
    TraceFolder &operator=(const TraceFolder &) = delete;
    const std::string &path() const { return path_; }
    // The lines of a file of the folder (none when it does not exist).
    std::vector<std::string> lines(const std::string &name) const;
    bool exists(const std::string &name) const;

    // zevahv <args...> with env ("NAME=value" each) added to the test's own.
    TraceRun zevahv(const std::vector<std::string> &env, const std::vector<std::string> &args,
                    int timeout_ms = 60000) const;

private:
    std::string path_;
};

// The lines that contain all of the parts.
std::vector<std::string> lines_with(const std::vector<std::string> &lines,
                                    const std::vector<std::string> &parts);
