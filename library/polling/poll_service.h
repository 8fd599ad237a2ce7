// The polling service of one open device: its subscriptions, its polling
// thread and its event connection to the client.
//
// Devices that push nothing (text-protocol modules, register-access boards)
// are polled: about twice a second the thread asks the family to read the
// subscribed items and sends what it read as one event frame on a TCP
// connection that the library opens to the client's port on this host
// (127.0.0.1), beginning with the device's identification text and its NUL.
// The family feeds the service through two callbacks (Feed): one that tells
// which item an item name subscribes, one that reads a list of items.
// Everything else (item lists, counts, result bytes, the event connection,
// the frames, the thread) is the service's, written once for all families.
//
//   struct MyDevice { ...; polling::PollService poll; };
//   constexpr polling::Feed kFeed = {.resolve = my_resolve, .read = my_read};
//   open:        dev.poll.start(kFeed, &dev, ident_text)   (false: fail the open)
//   subscribe:   return dev.poll.subscribe(port, count, items, results);
//   unsubscribe: return dev.poll.unsubscribe(count, items, results);
//   close:       dev.poll.stop();  (before the device's link goes away)
//
// Locks.  The service's lock guards the item set and the connection pointer
// only; it is never held across a callback, a connect or a send.  So a
// client whose port is slow to accept, or that does not read, delays its
// own events (and the subscribe call that connects), never a close, an
// unsubscribe or another application call: stop() shuts the connection down
// to wake a send that is stuck.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "polling/items.h"
#include "polling/records.h"

namespace zevahv::polling {

// One subscribed item of a device: the index of its row in the family's
// table and its channel (-1 for a board item).
struct Item {
    int row = 0;
    int channel = -1;
    friend constexpr auto operator<=>(const Item &, const Item &) = default;
};

// The family's side.  Both run without any lock of the service held.
struct Feed {
    // The item that a parsed item name (a Board or Channel name) subscribes;
    // false when the name cannot be subscribed (unknown, write-only, a
    // channel beyond the device), which answers the item with -1.  Runs on
    // the caller's thread.
    bool (*resolve)(void *device, const ItemName &name, Item *out) = nullptr;
    // Reads the items, sorted by row and then channel (a board item first),
    // and adds one record per value it got; what it cannot read this cycle
    // it leaves out.  changed: the list differs from the last call's (a
    // family that prepares something per list, such as an address array,
    // redoes it then).  Runs on the polling thread.
    void (*read)(void *device, std::span<const Item> items, bool changed, Records &out) = nullptr;
};

class PollService {
public:
    PollService() = default;
    ~PollService();
    PollService(const PollService &) = delete;
    PollService &operator=(const PollService &) = delete;

    // Starts the polling thread with no subscriptions and returns once it
    // runs; false when no thread can be made.  ident: the identification
    // text sent first on every new event connection.
    bool start(const Feed &feed, void *device, std::string ident);
    // Ends the thread (at once, even while it waits on the client) and
    // closes the event connection.  The subscriptions are dropped.
    void stop();

    // ZEVAHV_Subscribe on the device: the number of items in the list must
    // equal count (else 26, nothing changes).  Each Board or Channel item is
    // resolved and added (result byte 0; -1 when it cannot be subscribed);
    // other items are left alone, their bytes untouched.  An item's values
    // go to the port of the last subscribe that named it.  Without an event
    // connection to this port one is made to 127.0.0.1:port (at most 2 s)
    // and the identification text sent; if that fails the items of this
    // call are taken back (added ones removed, moved ones returned to their
    // port) and the result is 28.
    int subscribe(unsigned short port, unsigned short count, const char *items, char *results);
    // ZEVAHV_UnSubscribe: the same parsing and count check; each item is
    // removed, whatever port it was subscribed with (0, whether it was
    // subscribed or not; -1 when it cannot be resolved).  A connection is
    // closed by the thread once no item goes to its port.
    int unsubscribe(unsigned short count, const char *items, char *results);

    // The number of subscribed items.
    std::size_t subscribed() const;

    // The pause between cycles (500 ms).
    static constexpr std::chrono::milliseconds kCycle{500};
    // The wait for the client's port to accept the event connection.
    static constexpr int kConnectMs = 2000;

private:
    class Connection;  // one event connection; its socket closes with it

    // The items of one port and the connection their values go out on.
    struct Target {
        std::shared_ptr<Connection> connection;
        std::vector<Item> items;  // sorted by row, then channel
    };

    void run();
    void cycle();
    void poll_target(Target &target);
    int parse(unsigned short count, const char *items, char *results,
              std::vector<Item> *resolved) const;
    std::shared_ptr<Connection> connect(unsigned short port) const;

    Feed feed_{};
    void *device_ = nullptr;
    std::string ident_;

    mutable std::mutex lock_;          // guards the fields below
    std::condition_variable wake_;     // cuts the cycle pause short for stop()
    // Every subscribed item and the client port its values go to.
    std::map<Item, unsigned short> items_;
    // One event connection per port that items go to.  A subscription that
    // names another port gets a connection of its own, so a client that
    // moves to a new port is served there at once, while the items left on
    // the old port keep their connection until they are unsubscribed.
    std::map<unsigned short, std::shared_ptr<Connection>> connections_;

    std::vector<Item> last_read_;      // the list of the last read (polling thread only)

    std::mutex connecting_;            // one subscriber connects at a time
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace zevahv::polling
