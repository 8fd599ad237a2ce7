#pragma once
// zevahv run as a user runs it: a child process with arguments, its standard
// output and error captured, its exit code returned.  A run that does not
// end within its time-out is killed and fails the test.

#include <sys/types.h>

#include <string>
#include <vector>

struct ToolResult {
    int exit_code = -1;  // -1 when the program did not exit normally
    std::string out;
    std::string err;
};

// `input` is its standard input (a batch); empty: /dev/null.
ToolResult run_tool(const std::vector<std::string>& args, int timeout_ms = 60000,
                    const std::string& input = "");

// A zevahv that keeps running (monitor, batch): its output is read line by
// line while it runs; the destructor kills it if it is still there.
class RunningTool {
public:
    // With `interactive`, its standard input is a pipe that write_line()
    // feeds (a batch session); else /dev/null.
    explicit RunningTool(const std::vector<std::string>& args, bool interactive = false);
    ~RunningTool();
    RunningTool(const RunningTool&) = delete;
    RunningTool& operator=(const RunningTool&) = delete;

    // The next line of standard output; false after `timeout_ms` or at its end.
    bool next_line(std::string& line, int timeout_ms);
    void write_line(const std::string& line);
    void close_input();
    void signal(int sig);
    // Waits for the end; the exit code, -1 (and a test failure) after the time-out.
    int wait(int timeout_ms);
    std::string err();  // standard error read so far (all of it after wait)

private:
    void drain_err();
    pid_t pid_ = -1;
    int in_ = -1;
    int out_ = -1;
    int err_ = -1;
    std::string pending_;
    std::string err_text_;
};

// A loopback port that nothing listens on at the moment.
unsigned short free_port();
