#pragma once
// A zevahv-sim child process for tests: started with a temporary log file,
// waited for until it prints its READY line, driven through its control
// channel on stdin/stdout, and stopped by its pid when the object goes away.

#include <sys/types.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

class SimProcess {
public:
    // Spawns "zevahv-sim <device> <args...>" and waits for READY. A process
    // that does not get ready within 10 s fails the current test (and throws,
    // so that the test does not go on with a missing simulator).
    static std::unique_ptr<SimProcess> start(std::string device,
                                             std::vector<std::string> args = {});
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    int port() const { return port_; }                 // 0 when serving a pty
    std::string pty_path() const { return pty_path_; } // empty when serving TCP
    // "127.0.0.1:<port>_<board>": the TCP connection argument of a module.
    std::string tcp_arg(int board = 0) const;
    // "<pty>_9600_8_0_0_<board>": the serial connection argument of a module.
    std::string serial_arg(int board = 0) const;

    // Writes one control line and returns the simulator's reply line (without
    // its line end); an empty text and a test failure after 10 s of silence.
    std::string control(const std::string& cmd);

    // The lines of the simulator's --log file: "> command", "< reply".
    std::vector<std::string> log_lines() const;
    std::string log_path() const { return log_path_; }

    pid_t pid() const { return pid_; }
    static const char* binary_path(); // the zevahv-sim this build made
    bool running() const { return pid_ > 0; }
    void kill_now(); // SIGKILL and reap at once

private:
    SimProcess() = default;
    bool read_line(std::string& line, int timeout_ms);
    void stop();

    pid_t pid_ = -1;
    int to_child_ = -1;    // the simulator's stdin
    int from_child_ = -1;  // the simulator's stdout
    std::string pending_;  // bytes read from stdout past the last line
    int port_ = 0;
    std::string pty_path_;
    std::string log_path_;
    bool own_log_ = false;
    std::mutex control_mutex_;
};
