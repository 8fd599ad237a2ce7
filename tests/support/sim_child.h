#pragma once
// A zevahv-sim child process, without a test framework: spawned with its
// control channel on a pipe (or, with no standard input, on a control port
// it is asked to open) and a log file, waited for until it prints its READY
// line, driven through its control channel, and stopped by its pid when the
// object goes away (SIGTERM, then SIGKILL).  The tests wrap it in SimProcess
// (failures become test failures); the benchmarks use it as it is.

#include <sys/types.h>

#include <mutex>
#include <string>
#include <vector>

class SimChild {
public:
    // What the simulator gets as its standard input: a pipe that carries the
    // control channel, or none at all (closed, or /dev/null), as under a
    // service manager or nohup; without the pipe the control channel goes
    // through a loopback control port that launch() asks for.
    enum class Input { Pipe, Closed, DevNull };

    SimChild() = default;
    virtual ~SimChild();
    SimChild(const SimChild&) = delete;
    SimChild& operator=(const SimChild&) = delete;

    // Spawns "zevahv-sim <device> <args...>" (with a temporary --log unless
    // the arguments name one) and waits up to 10 s for READY (and for the
    // CONTROL line when --control is among the arguments).  False with the
    // reason in *error when it does not get ready.
    bool launch(const std::string& device, std::vector<std::string> args, std::string* error,
                Input input = Input::Pipe);
    // launch() for a program without a test framework: the device and its
    // arguments in one list, the reason of a failure printed on stderr.
    bool start(const std::vector<std::string>& device_and_args);

    // Writes one control line and reads the reply line (without its line
    // end); false when the child cannot be written to or stays silent 10 s.
    bool control_line(const std::string& cmd, std::string* reply);
    // The same, the reply or an empty text.
    std::string control(const std::string& cmd) {
        std::string reply;
        return control_line(cmd, &reply) ? reply : std::string();
    }
    // The CONTROL line's address: "local <path>" or "tcp <host> <port>";
    // empty when the simulator was started without --control.
    std::string control_address() const { return control_address_; }
    int control_port() const; // the port of a "tcp" control address, else 0
    // Closes the simulator's standard input (the pipe); the control channel
    // then goes through the control socket or port, which it must have been
    // given.
    void close_input();

    int port() const { return port_; }                 // 0 when serving a pty
    // The address of the READY line: 127.0.0.1 for modules, a loopback
    // address of its own for a mainframe.
    std::string host() const { return host_; }
    std::string pty_path() const { return pty_path_; } // empty when serving TCP
    // "127.0.0.1:<port>_<board>": the TCP connection argument of a module.
    std::string tcp_arg(int board = 0) const;
    // "<pty>_9600_8_0_0_<board>": the serial connection argument of a module.
    std::string serial_arg(int board = 0) const;

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
