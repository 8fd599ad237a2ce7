// The byte-stream link to one module or one daisy-chained line of modules:
// a serial port or a TCP connection.  Several module slots with different
// board addresses may share one link; they hold it through a shared_ptr and
// the link closes with the last of them.  The link lock covers exactly one
// exchange (command written, its reply line read), so a reply is always read
// by the thread that wrote its command.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "modules/args.h"

namespace zevahv::modules {

// Waits of one exchange.
inline constexpr int kSerialWaitMs = 600;   // silence that ends a serial read
inline constexpr int kTcpWaitMs = 1000;     // wait for a TCP reply
inline constexpr int kReplyDeadlineMs = 5000;  // a reply that never ends
inline constexpr int kTcpConnectMs = 3000;

class Link {
public:
    // Opens the port or connects; null on failure.
    static std::shared_ptr<Link> open(const LinkArgs &args);
    ~Link();
    Link(const Link &) = delete;
    Link &operator=(const Link &) = delete;

    // One exchange under the link lock.  Result: 0 and the reply line (line
    // end included, at most 1023 bytes); 2 the write failed; 3 a serial read
    // failed; 29 a short serial write, nothing received, a line without its
    // end, or a line longer than the reply buffer (its rest is read and
    // dropped so that the next exchange starts clean).
    int exchange(std::string_view command, std::string *reply);

    bool serial() const { return serial_; }
    // The key under which slots share the link: the device path of a serial
    // port, the address text of a TCP link.
    const std::string &key() const { return key_; }
    // Key a new argument would share under.
    static std::string key_of(const LinkArgs &args);

private:
    Link() = default;
    int exchange_locked(std::string_view command, std::string *reply, bool *sent);
    bool drain();
    void skip_owed_reply();
    long read_chunk(char *buf, std::size_t len, int wait_ms);
    long read_late(char *buf, std::size_t len, int wait_ms);
    int read_line(std::string *reply);
    bool reconnect();

    std::mutex lock_;
    bool serial_ = false;
    int fd_ = -1;
    std::string key_;
    std::string host_;
    unsigned short port_ = 0;
    bool peer_closed_ = false;  // TCP: the module closed; reconnect next time
    // The last reply did not come whole within the wait: it may still be on
    // its way, and must not be taken for the answer to the next command.
    bool owed_ = false;
    // The module stayed silent through a wait for an owed reply: it is not
    // waited for again until it answers.
    bool quiet_ = false;
};

}  // namespace zevahv::modules
