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
    // What the simulator gets as its standard input: a pipe that carries the
    // control channel, or none at all (closed, or /dev/null), as under a
    // service manager or nohup; without the pipe control() goes through a
    // loopback control port that start() asks for.
    enum class Input { Pipe, Closed, DevNull };

    // Spawns "zevahv-sim <device> <args...>" and waits for READY (and for the
    // CONTROL line when --control is among the arguments). A process that
    // does not get ready within 10 s fails the current test (and throws, so
    // that the test does not go on with a missing simulator).
    static std::unique_ptr<SimProcess> start(std::string device,
                                             std::vector<std::string> args = {},
                                             Input input = Input::Pipe);
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    int port() const { return port_; }                 // 0 when serving a pty
    // The address of the READY line: 127.0.0.1 for modules, a loopback
    // address of its own for a mainframe.
    std::string host() const { return host_; }
    std::string pty_path() const { return pty_path_; } // empty when serving TCP
    // "127.0.0.1:<port>_<board>": the TCP connection argument of a module.
    std::string tcp_arg(int board = 0) const;
    // "<pty>_9600_8_0_0_<board>": the serial connection argument of a module.
    std::string serial_arg(int board = 0) const;

    // Writes one control line and returns the simulator's reply line (without
    // its line end); an empty text and a test failure after 10 s of silence.
    std::string control(const std::string& cmd);
    // The CONTROL line's address: "local <path>" or "tcp <host> <port>";
    // empty when the simulator was started without --control.
    std::string control_address() const { return control_address_; }
    int control_port() const; // the port of a "tcp" control address, else 0
    // Closes the simulator's standard input (the pipe); control() then goes
    // through the control socket or port, which it must have been given.
    void close_input();

    // The lines of the simulator's --log file: "> command", "< reply".
    std::vector<std::string> log_lines() const;
    std::string log_path() const { return log_path_; }

    pid_t pid() const { return pid_; }
    static const char* binary_path(); // the zevahv-sim this build made
    bool running() const { return pid_ > 0; }
    void kill_now(); // SIGKILL and reap at once
    // True (and reaped) when the simulator ends by itself within the time;
    // `status` receives its wait status.
    bool exited_within(int timeout_ms, int* status = nullptr);

private:
    SimProcess() = default;
    bool read_line(std::string& line, int timeout_ms) {
        return read_line_from(from_child_, pending_, line, timeout_ms);
    }
    static bool read_line_from(int fd, std::string& pending, std::string& line, int timeout_ms);
    void stop();
    bool connect_control();

    pid_t pid_ = -1;
    int to_child_ = -1;    // the simulator's stdin
    int from_child_ = -1;  // the simulator's stdout
    std::string pending_;  // bytes read from stdout past the last line
    int control_fd_ = -1;  // the control port's connection when there is no pipe
    std::string control_pending_;
    std::string control_address_;
    int port_ = 0;
    std::string host_;
    std::string pty_path_;
    std::string log_path_;
    bool own_log_ = false;
    std::mutex control_mutex_;
};
