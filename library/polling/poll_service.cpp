#include "polling/poll_service.h"

#include <algorithm>

#include "frame/event_frame.h"
#include "platform/tcp.h"
#include "trace/trace.h"

namespace zevahv::polling {

// One event connection to the client.  Its socket is closed when the last
// holder lets go, so the thread may send on it without the service's lock
// while subscribe, unsubscribe or the thread itself drop it from the
// service.
class PollService::Connection {
public:
    // label: the system as the trace names it (its identification text).
    Connection(int sock, const std::string &label) : sock_(sock), label_(label) {}
    ~Connection() { platform::close_socket(sock_); }
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    // Sends the records as event frames (as many as the frame size limit
    // needs, normally one).  False when the client is gone.
    bool send(const std::vector<IDValue_t> &records) {
        constexpr std::size_t kMaxPerFrame =
            (kMaxEventFrameSize - kEventHeaderSize) / kEventRecordSize;
        for (std::size_t first = 0; first < records.size(); first += kMaxPerFrame) {
            const std::size_t n = std::min(kMaxPerFrame, records.size() - first);
            buffer_.resize(kEventHeaderSize + n * kEventRecordSize);
            if (!encode_event_header(n, buffer_.data())) return false;
            for (std::size_t k = 0; k < n; ++k) {
                const IDValue_t &r = records[first + k];
                encode_event_record(r, r.Type,
                                    buffer_.data() + kEventHeaderSize + k * kEventRecordSize);
            }
            const long sent = platform::send_all(sock_, buffer_.data(), buffer_.size());
            const bool whole = sent == static_cast<long>(buffer_.size());
            trace::binary(label_, "event", trace::Dir::Out, buffer_.data(), buffer_.size(),
                          whole ? ZEVAHV_OK : ZEVAHV_ERR_SOCKETERROR);
            if (!whole) return false;
        }
        return true;
    }

    // Wakes a send that waits on a client that does not read.
    void shut_down() { platform::shutdown_socket(sock_); }

private:
    int sock_;
    const std::string label_;
    std::vector<unsigned char> buffer_;  // used by the polling thread only
};

PollService::~PollService() { stop(); }

bool PollService::start(const Feed &feed, void *device, std::string ident) {
    if (thread_.joinable() || feed.resolve == nullptr || feed.read == nullptr) return false;
    feed_ = feed;
    device_ = device;
    ident_ = std::move(ident);
    {
        std::lock_guard<std::mutex> hold(lock_);
        stop_ = false;
        items_.clear();
        connections_.clear();
    }
    last_read_.clear();
    try {
        thread_ = std::thread([this] { run(); });
    } catch (...) {
        return false;
    }
    return true;
}

void PollService::stop() {
    {
        std::lock_guard<std::mutex> hold(lock_);
        stop_ = true;
        for (auto &[port, connection] : connections_) connection->shut_down();
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
    std::lock_guard<std::mutex> hold(lock_);
    connections_.clear();
    items_.clear();
}

void PollService::run() {
    for (;;) {
        try {
            cycle();
        } catch (...) {
            // Out of memory in one cycle: try again in the next.
        }
        std::unique_lock<std::mutex> hold(lock_);
        if (wake_.wait_for(hold, kCycle, [this] { return stop_.load(); })) return;
    }
}

void PollService::cycle() {
    std::map<unsigned short, Target> targets;
    {
        std::lock_guard<std::mutex> hold(lock_);
        for (const auto &[item, port] : items_) targets[port].items.push_back(item);
        // Nobody listens on a port any more once its last item has gone:
        // its connection goes with it.
        for (auto it = connections_.begin(); it != connections_.end();) {
            if (targets.count(it->first) == 0) {
                it = connections_.erase(it);
            } else {
                targets[it->first].connection = it->second;
                ++it;
            }
        }
    }
    for (auto &[port, target] : targets) {
        // Items whose client has gone wait for a subscribe that connects.
        if (stop_) return;
        if (target.connection) poll_target(target);
    }
}

void PollService::poll_target(Target &target) {
    const bool changed = target.items != last_read_;
    if (changed) last_read_ = target.items;
    Records out(&stop_);
    feed_.read(device_, target.items, changed, out);
    if (out.empty() || stop_) return;
    if (!target.connection->send(out.records())) {
        // The client has gone: drop the connection, so that its next
        // subscribe connects afresh; polling goes on.
        std::lock_guard<std::mutex> hold(lock_);
        for (auto it = connections_.begin(); it != connections_.end(); ++it) {
            if (it->second == target.connection) {
                connections_.erase(it);
                break;
            }
        }
    }
}

int PollService::parse(unsigned short count, const char *items, char *results,
                       std::vector<Item> *resolved) const {
    const std::vector<std::string_view> list = split_items(items);
    if (list.size() != count) return ZEVAHV_ERR_INVALIDPARAMETER;
    for (std::size_t k = 0; k < list.size(); ++k) {
        const ItemName name = parse_item(list[k]);
        if (name.kind == ItemName::System) continue;  // not ours; byte untouched
        Item item;
        if (name.kind == ItemName::Invalid || !feed_.resolve(device_, name, &item)) {
            results[k] = static_cast<char>(-1);
            continue;
        }
        results[k] = 0;
        resolved->push_back(item);
    }
    return ZEVAHV_OK;
}

std::shared_ptr<PollService::Connection> PollService::connect(unsigned short port) const {
    const int sock = platform::tcp_connect("127.0.0.1", port, kConnectMs, true);
    if (sock < 0) return nullptr;
    auto connection = std::make_shared<Connection>(sock, ident_);
    const long n = platform::send_all(sock, ident_.c_str(), ident_.size() + 1);
    const bool whole = n == static_cast<long>(ident_.size() + 1);
    trace::text(ident_, "event", trace::Dir::Out, {ident_.c_str(), ident_.size() + 1},
                whole ? ZEVAHV_OK : ZEVAHV_ERR_SOCKETERROR);
    if (!whole) return nullptr;
    return connection;
}

int PollService::subscribe(unsigned short port, unsigned short count, const char *items,
                           char *results) {
    if (count == 0) return ZEVAHV_OK;
    // One subscriber at a time: a failed connect takes back exactly what its
    // own call did.
    std::lock_guard<std::mutex> one(connecting_);
    std::vector<Item> resolved;
    if (int rc = parse(count, items, results, &resolved)) return rc;
    std::vector<Item> added;
    std::vector<std::pair<Item, unsigned short>> moved;  // and the port each came from
    {
        std::lock_guard<std::mutex> hold(lock_);
        for (const Item &item : resolved) {
            const auto [it, inserted] = items_.emplace(item, port);
            if (inserted) {
                added.push_back(item);
            } else if (it->second != port) {
                moved.emplace_back(item, it->second);
                it->second = port;
            }
        }
        if (connections_.count(port) != 0) return ZEVAHV_OK;
    }
    // Connected without the lock: the thread, unsubscribes and the close go
    // on while the client's port takes its time.
    std::shared_ptr<Connection> connection = connect(port);
    std::lock_guard<std::mutex> hold(lock_);
    if (!connection) {
        for (const Item &item : added) {
            const auto it = items_.find(item);
            if (it != items_.end() && it->second == port) items_.erase(it);
        }
        for (const auto &[item, from] : moved) {
            const auto it = items_.find(item);
            if (it != items_.end() && it->second == port) it->second = from;
        }
        return ZEVAHV_ERR_SOCKETERROR;
    }
    connections_[port] = std::move(connection);
    return ZEVAHV_OK;
}

int PollService::unsubscribe(unsigned short count, const char *items, char *results) {
    if (count == 0) return ZEVAHV_OK;
    std::vector<Item> resolved;
    if (int rc = parse(count, items, results, &resolved)) return rc;
    std::lock_guard<std::mutex> hold(lock_);
    for (const Item &item : resolved) items_.erase(item);
    return ZEVAHV_OK;
}

std::size_t PollService::subscribed() const {
    std::lock_guard<std::mutex> hold(lock_);
    return items_.size();
}

}  // namespace zevahv::polling
