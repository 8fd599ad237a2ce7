#pragma once
// The client side of events: a port of our own that the subscribe calls
// name, and the events read from what arrives on it with the library's
// event readers.  Most systems connect to a listening TCP port (the
// library's polling threads from this host, a mainframe from its own
// address); a legacy mainframe sends UDP datagrams to the port instead.

#include <netinet/in.h>

#include <string>
#include <vector>

#include "names.h"

namespace zcli {

struct Event {
    int kind = 0;      // ZEVAHV_EVENT_*
    int slot = -1;     // -1 for system items
    int channel = -1;  // -1 for board and system items
    std::string item;  // parameter or property name
    std::vector<unsigned char> value;  // as the record carries it (text NUL-terminated)
    // The legacy mainframe reader gives a number and a text side by side;
    // `value` holds the number, this the text when the crate sent one.
    bool legacy = false;
    bool has_text = false;
    std::string legacy_text;
};

class EventStream {
public:
    // Listens on `listen_address` (a dotted IPv4 text) at `port` (0: any
    // free port), as `path` needs: a TCP listener, or a UDP socket for
    // datagrams.  Throws Failure(kExitEvents) when that is not possible.
    EventStream(const std::string& listen_address, unsigned short port, EventPath path);
    ~EventStream();
    EventStream(const EventStream&) = delete;
    EventStream& operator=(const EventStream&) = delete;

    unsigned short port() const { return port_; }

    enum class Status {
        kEvents,       // `out` received at least one event
        kQuiet,        // the wait ended without events
        kInterrupted,  // a signal ended the wait
        kClosed,       // the polling thread's connection has gone
    };
    // Waits up to `timeout_ms` for events and appends them to `out`.
    Status wait(int timeout_ms, std::vector<Event>& out);

    // The result code with which the last delivering connection ended.
    int close_code() const { return close_code_; }

private:
    struct Connection {
        int fd = -1;
        bool from_local_host = false;  // a polling thread: an identification text first
        bool identified = false;
        std::string ident;
        bool delivered = false;  // has delivered at least one frame
    };

    void accept_one();
    // False when the connection is over.
    bool read_from(Connection& c, std::vector<Event>& out);
    bool read_ident(Connection& c);
    // One datagram; false when the socket failed.
    bool read_datagram(std::vector<Event>& out);

    EventPath path_;
    int fd_ = -1;  // the listening TCP socket, or the UDP socket
    unsigned short port_ = 0;
    std::vector<Connection> connections_;
    bool closed_ = false;
    int close_code_ = 0;
};

// Where to listen for events of a system at `address`: the loopback
// address, unless the system itself sends them (a mainframe) and its
// address is a dotted IPv4 address off this host: then every local address.
std::string default_listen_address(const std::string& address, EventPath path);

// Splits a full item name of the legacy mainframe reader
// ("<system>.Board01.Chan002.VMon") into slot, channel and name; pure.
void split_item_name(const std::string& full, Event& e);

// Decodes the legacy reader's 325-byte records; pure, for tests.
std::vector<Event> legacy_events(const char* records, int count);

}  // namespace zcli
