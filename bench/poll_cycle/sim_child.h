#pragma once
// A zevahv-sim child process for the bench: spawned with its control channel
// on pipes, waited for until READY, stopped by its pid.  (The test suite has
// its own helper; this one needs no test framework.)

#include <sys/types.h>

#include <string>
#include <vector>

class SimChild {
public:
    SimChild() = default;
    ~SimChild();
    SimChild(const SimChild &) = delete;
    SimChild &operator=(const SimChild &) = delete;

    // Starts "zevahv-sim <args...>"; false (with a message on stderr) when it
    // does not get ready within 10 s.
    bool start(const std::vector<std::string> &args);
    // One control line; the reply line, empty after 10 s of silence.
    std::string control(const std::string &cmd);

    int port() const { return port_; }
    const std::string &pty() const { return pty_; }

private:
    bool read_line(std::string *line, int timeout_ms);

    pid_t pid_ = -1;
    int to_ = -1;
    int from_ = -1;
    std::string pending_;
    int port_ = 0;
    std::string pty_;
};

// The client side of event connections: a listener on 127.0.0.1 at a port
// the kernel picks (-1 on failure), and an accept that waits at most ms.
int listen_local(unsigned short *port);
int accept_within(int lfd, int ms);
