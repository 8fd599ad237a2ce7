#include "mainframe/event_sinks.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "transport/stream.h"

namespace sim::mf {

namespace {

constexpr int kConnectTimeoutMs = 2000;
constexpr size_t kMaxQueuedFrames = 100000; // a client that stopped reading

sockaddr_in address(const std::string& host, uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    inet_pton(AF_INET, host.c_str(), &a.sin_addr);
    return a;
}

// A connection from source_host to host:port, bounded in time; -1 and a
// message when it cannot be made.
int connect_from(const std::string& source_host, const SinkKey& key, std::string& error) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        error = std::strerror(errno);
        return -1;
    }
    sockaddr_in src = address(source_host, 0);
    sockaddr_in dst = address(key.host, key.port);
    if (bind(fd, reinterpret_cast<sockaddr*>(&src), sizeof src) != 0) {
        error = "cannot bind " + source_host + ": " + std::strerror(errno);
        ::close(fd);
        return -1;
    }
    int r = ::connect(fd, reinterpret_cast<sockaddr*>(&dst), sizeof dst);
    if (r != 0 && errno == EINPROGRESS) {
        pollfd p{fd, POLLOUT, 0};
        r = poll(&p, 1, kConnectTimeoutMs);
        int err = 0;
        socklen_t len = sizeof err;
        if (r == 1 && getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) == 0 && err == 0) r = 0;
        else errno = r == 0 ? ETIMEDOUT : (err ? err : errno), r = -1;
    }
    if (r != 0) {
        error = "event connection to " + key.host + ":" + std::to_string(key.port) + " failed: " +
                std::strerror(errno);
        ::close(fd);
        return -1;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return fd;
}

} // namespace

struct EventSinks::Tcp {
    int fd = -1;
    std::mutex m;
    std::condition_variable cv;
    std::deque<std::pair<std::string, AfterSend>> queue;
    bool stop = false;
    bool dead = false;
    bool stalled = false;
    std::thread thread;
};

EventSinks::EventSinks(std::string source_host, uint16_t udp_port) : source_host_(std::move(source_host)) {
    udp_fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (udp_fd_ < 0) return;
    for (uint16_t port : {udp_port, uint16_t{0}}) {
        sockaddr_in a = address(source_host_, port);
        socklen_t len = sizeof a;
        if (bind(udp_fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
            getsockname(udp_fd_, reinterpret_cast<sockaddr*>(&a), &len) == 0) {
            udp_port_ = ntohs(a.sin_port);
            return;
        }
    }
}

EventSinks::~EventSinks() {
    std::vector<SinkKey> keys;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (auto& [k, s] : tcp_) keys.push_back(k);
    }
    for (auto& k : keys) close(k);
    if (udp_fd_ >= 0) ::close(udp_fd_);
}

void EventSinks::run(Tcp* s) {
    for (;;) {
        std::pair<std::string, AfterSend> item;
        {
            std::unique_lock<std::mutex> lock(s->m);
            s->cv.wait(lock, [&] { return s->stop || (!s->queue.empty() && !s->dead && !s->stalled); });
            if (s->stop) return;
            item = std::move(s->queue.front());
            s->queue.pop_front();
        }
        bool ok = write_all(s->fd, item.first);
        std::lock_guard<std::mutex> lock(s->m);
        if (!ok || item.second == AfterSend::Close) {
            shutdown(s->fd, SHUT_RDWR);
            s->dead = true;
            s->queue.clear();
        } else if (item.second == AfterSend::Stall) {
            s->stalled = true;
            s->queue.clear();
        }
    }
}

bool EventSinks::ensure(const SinkKey& key, bool& fresh, std::string& error) {
    fresh = false;
    if (key.udp) return udp_fd_ >= 0;
    std::unique_ptr<Tcp> old;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = tcp_.find(key);
        if (it != tcp_.end()) {
            std::lock_guard<std::mutex> l(it->second->m);
            if (!it->second->dead && !it->second->stalled) return true;
        }
        if (it != tcp_.end()) {
            old = std::move(it->second);
            tcp_.erase(it);
        }
    }
    if (old) stop(std::move(old));
    int fd = connect_from(source_host_, key, error);
    if (fd < 0) return false;
    std::lock_guard<std::mutex> lock(mutex_);
    if (tcp_.count(key)) {
        // Another session made the connection meanwhile: that one serves.
        ::close(fd);
        return true;
    }
    auto s = std::make_unique<Tcp>();
    s->fd = fd;
    s->thread = std::thread(run, s.get());
    tcp_[key] = std::move(s);
    fresh = true;
    return true;
}

bool EventSinks::alive(const SinkKey& key) {
    if (key.udp) return udp_fd_ >= 0;
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = tcp_.find(key);
    if (it == tcp_.end()) return false;
    std::lock_guard<std::mutex> l(it->second->m);
    return !it->second->dead;
}

void EventSinks::send(const SinkKey& key, std::string bytes, AfterSend after) {
    if (key.udp) {
        if (udp_fd_ < 0) return;
        sockaddr_in to = address(key.host, key.port);
        ::sendto(udp_fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL, reinterpret_cast<sockaddr*>(&to),
                 sizeof to);
        return;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = tcp_.find(key);
    if (it == tcp_.end()) return;
    Tcp& s = *it->second;
    {
        std::lock_guard<std::mutex> l(s.m);
        if (s.dead || s.stalled) return;
        if (s.queue.size() >= kMaxQueuedFrames) {
            // The client has stopped reading: drop the connection rather
            // than grow without end; a new subscription makes a new one.
            s.dead = true;
            s.queue.clear();
            shutdown(s.fd, SHUT_RDWR);
            return;
        }
        s.queue.emplace_back(std::move(bytes), after);
    }
    s.cv.notify_one();
}

void EventSinks::close(const SinkKey& key) {
    std::unique_ptr<Tcp> s;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = tcp_.find(key);
        if (it == tcp_.end()) return;
        s = std::move(it->second);
        tcp_.erase(it);
    }
    stop(std::move(s));
}

void EventSinks::stop(std::unique_ptr<Tcp> s) {
    {
        std::lock_guard<std::mutex> l(s->m);
        s->stop = true;
    }
    s->cv.notify_all();
    shutdown(s->fd, SHUT_RDWR);
    s->thread.join();
    ::close(s->fd);
}

std::vector<SinkKey> EventSinks::tcp_keys() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<SinkKey> keys;
    for (auto& [k, s] : tcp_) keys.push_back(k);
    return keys;
}

} // namespace sim::mf
