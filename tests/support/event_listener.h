#pragma once
// The client side of module events: a TCP listener on 127.0.0.1 with a
// kernel-chosen port, as an application that subscribes would keep one.

#include <string>

class EventListener {
public:
    EventListener();   // fails the current test if no port can be bound
    ~EventListener();
    EventListener(const EventListener&) = delete;
    EventListener& operator=(const EventListener&) = delete;

    unsigned short port() const { return port_; }
    // Waits for one connection; returns its descriptor (the caller closes it)
    // or -1 when none arrives in time.
    int accept_one(int timeout_ms);
    // Reads the NUL-terminated identification text a polling thread sends
    // first on a new connection; stops at 1024 bytes, a closed peer or the
    // time-out, returning what was read.
    static std::string read_ident(int fd, int timeout_ms);

private:
    int fd_ = -1;
    unsigned short port_ = 0;
};
