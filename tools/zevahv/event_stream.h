#pragma once
// The client side of events: a listening TCP port that the subscribe calls
// name, the connections that arrive on it (from the library's polling
// threads on this host, or from a mainframe), and the frames read from them
// with the library's event readers.

#include <netinet/in.h>

#include <string>
#include <vector>

namespace zcli {

struct Event {
    int kind = 0;      // ZEVAHV_EVENT_*
    int slot = -1;     // -1 for system items
    int channel = -1;  // -1 for board and system items
    std::string item;  // parameter or property name
    std::vector<unsigned char> value;  // as the record carries it (text NUL-terminated)
    // The legacy mainframe reader gives a number and a text side by side;
    // `value` holds the number, this the text.
    bool legacy = false;
    std::string legacy_text;
};

class EventStream {
public:
    // Listens on `listen_address` (a dotted IPv4 text) at `port` (0: any
    // free port).  Throws Failure(kExitEvents) when that is not possible.
    EventStream(const std::string& listen_address, unsigned short port);
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
        bool legacy = false;     // read with the legacy mainframe reader
        bool delivered = false;  // has delivered at least one frame
    };

    void accept_one();
    // False when the connection is over.
    bool read_from(Connection& c, std::vector<Event>& out);
    bool read_ident(Connection& c);
    int read_frame(Connection& c, std::vector<Event>& out);

    int listen_fd_ = -1;
    unsigned short port_ = 0;
    std::vector<Connection> connections_;
    bool closed_ = false;
    int close_code_ = 0;
};

// Where to listen for a system at `address`: the loopback address, unless
// the address is a dotted IPv4 address off this host (a mainframe on the
// network connects back to us from there), then every local address.
std::string default_listen_address(const std::string& address);

// Splits a full item name of the legacy mainframe reader
// ("<system>.Board01.Chan002.VMon") into slot, channel and name; pure.
void split_item_name(const std::string& full, Event& e);

// Decodes the legacy reader's 325-byte records; pure, for tests.
std::vector<Event> legacy_events(const char* records, int count);

}  // namespace zcli
