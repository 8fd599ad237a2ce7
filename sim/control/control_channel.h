#pragma once
// The control channel of every simulator: one command a line in, one answer
// a line out. A simulator kind supplies what a line means (a handler and a
// quit flag); this piece supplies where lines come from:
//   - standard input, while it is a pipe, a file or a terminal (a terminal
//     only while the simulator is in its foreground: a background job never
//     reads it, so the terminal cannot stop it);
//   - a local socket or a loopback TCP port chosen with --control, any
//     number of clients at once, so that a simulator in the background or
//     under a service manager can still be driven.
// The simulator serves until "quit" (or whatever the handler's quit flag
// says) or SIGINT/SIGTERM; the end of standard input ends nothing.

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace sim {

struct ControlHandler {
    // One control line, without its line end, in; the answer line, without
    // its line end, out. Called from one thread only.
    std::function<std::string(const std::string& line)> answer;
    // Asked after every answer: true ends the simulator.
    std::function<bool()> quit_requested;
};

// Where --control listens: a path (any text holding a '/') names a local
// socket, "HOST:PORT" a TCP port on a loopback address (port 0: the kernel
// chooses).
struct ControlAddress {
    enum class Kind { None, Local, Tcp };
    Kind kind = Kind::None;
    std::string path; // Local
    std::string host; // Tcp: dotted IPv4 inside 127.0.0.0/8
    int port = 0;     // Tcp
};

// Reads the value of --control; on a bad text the message, without the
// option's name.
std::optional<std::string> parse_control_address(const std::string& text, ControlAddress& out);

// The lines of --help that describe --control and the control channel's
// sources, for every simulator kind's own help.
const char* control_channel_help();

class ControlChannel {
public:
    // Binds the --control address (nothing to bind when none was given).
    // Nothing, with `error` filled, when it cannot be bound.
    static std::unique_ptr<ControlChannel> open(const ControlAddress& address, std::string& error);
    ~ControlChannel();
    ControlChannel(const ControlChannel&) = delete;
    ControlChannel& operator=(const ControlChannel&) = delete;

    // "CONTROL local <path>" or "CONTROL tcp <host> <port>" (the port bound);
    // empty without --control. Printed after the READY line.
    std::string announcement() const;

    // Serves standard input and the bound address until the handler asks to
    // quit or SIGINT/SIGTERM arrives (prepare_process() must have blocked
    // them). Removes the local socket's path on the way out.
    void run(const ControlHandler& handler);

private:
    ControlChannel() = default;
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Process set-up every simulator does first, before any thread is started:
// SIGINT and SIGTERM are blocked (run() takes them), SIGPIPE, SIGTTIN and
// SIGTTOU are ignored (a dropped peer is not fatal; a background job that
// writes to its terminal is not stopped), and descriptors 0 to 2 are made
// valid (/dev/null) when the simulator was started with them closed, so that
// no socket is ever mistaken for standard input.
void prepare_process();

} // namespace sim
