#pragma once
// Where pushed events go. A TCP sink is one connection the crate made from
// its own address to a client's event port; a sender thread per sink writes
// queued frames, so that a client that reads slowly holds up only itself.
// UDP sinks (legacy messages) share one socket bound to the crate's own
// address and port, so that a client may connect its socket to that
// address and port and receive only what the crate sends.

#include <netinet/in.h>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

namespace sim::mf {

struct SinkKey {
    std::string host;
    uint16_t port = 0;
    bool udp = false;
    bool operator<(const SinkKey& o) const {
        return std::tie(host, port, udp) < std::tie(o.host, o.port, o.udp);
    }
};

// What to do to the stream after a frame (fault tests).
enum class AfterSend { Nothing, Close, Stall };

class EventSinks {
public:
    // `source_host` is the crate's own address; UDP messages leave from
    // source_host:udp_port (port 0 when that port is taken).
    EventSinks(std::string source_host, uint16_t udp_port);
    ~EventSinks();
    EventSinks(const EventSinks&) = delete;
    EventSinks& operator=(const EventSinks&) = delete;

    // A TCP sink that is connected, made now if needed (`fresh` then true);
    // false with an error text when the client's port does not answer.
    bool ensure(const SinkKey& key, bool& fresh, std::string& error);
    bool alive(const SinkKey& key);

    // Queues bytes for a sink (TCP), or sends one datagram (UDP).
    void send(const SinkKey& key, std::string bytes, AfterSend after = AfterSend::Nothing);
    void close(const SinkKey& key);
    // Every TCP sink (for the fault commands of the control channel).
    std::vector<SinkKey> tcp_keys();
    uint16_t udp_port() const { return udp_port_; }

private:
    struct Tcp;
    static void run(Tcp* sink);
    static void stop(std::unique_ptr<Tcp> sink); // ends its thread, closes it

    std::string source_host_;
    int udp_fd_ = -1;
    uint16_t udp_port_ = 0;
    std::mutex mutex_;
    std::map<SinkKey, std::unique_ptr<Tcp>> tcp_;
};

} // namespace sim::mf
