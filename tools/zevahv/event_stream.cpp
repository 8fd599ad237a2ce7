#include "event_stream.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "ZEVAHVLink.h"
#include "failure.h"

namespace zcli {

namespace {

// An identification text longer than this is no polling thread's.
constexpr size_t kMaxIdent = 1024;

// The legacy mainframe reader's record: the item's level (0 channel, 1
// board, 2 system, 3 a notice of the crate), the item name as subscribed,
// the value as a number (a float for numeric parameters, else unsigned) and
// the value as text (when the crate sent a text).
constexpr size_t kLegacyRecord = 325;
constexpr size_t kLegacyName = 1;
constexpr size_t kLegacyNumber = 65;
constexpr size_t kLegacyText = 69;
constexpr size_t kLegacyTextSize = 256;
constexpr unsigned char kLegacyNotice = 3;

std::string peer_of(int fd) {
    sockaddr_in a{};
    socklen_t len = sizeof a;
    if (getpeername(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0) return {};
    char buf[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &a.sin_addr, buf, sizeof buf);
    return buf;
}

bool is_digits(const std::string& s, size_t from) {
    if (from >= s.size()) return false;
    for (size_t i = from; i < s.size(); ++i)
        if (s[i] < '0' || s[i] > '9') return false;
    return true;
}

Event from_record(const IDValue_t& r) {
    Event e;
    e.kind = r.Type;
    e.slot = r.BoardIndex;
    e.channel = r.ChannelIndex;
    e.item.assign(r.Item, strnlen(r.Item, sizeof r.Item));
    e.value.assign(reinterpret_cast<const unsigned char*>(r.Value),
                   reinterpret_cast<const unsigned char*>(r.Value) + sizeof r.Value);
    e.value.back() = 0;
    return e;
}

}  // namespace

std::string default_listen_address(const std::string& address, EventPath path) {
    // A polling thread connects from this host, whatever the device's address.
    if (path == EventPath::kLocalPolling) return "127.0.0.1";
    size_t end = address.find_first_of(":_");
    std::string host = address.substr(0, end);
    in_addr a{};
    if (inet_pton(AF_INET, host.c_str(), &a) != 1) return "127.0.0.1";
    if ((ntohl(a.s_addr) >> 24) == 127) return "127.0.0.1";
    return "0.0.0.0";
}

void split_item_name(const std::string& full, Event& e) {
    e.slot = -1;
    e.channel = -1;
    std::vector<std::string> parts;
    size_t pos = 0;
    while (true) {
        size_t dot = full.find('.', pos);
        parts.push_back(full.substr(pos, dot == std::string::npos ? std::string::npos : dot - pos));
        if (dot == std::string::npos) break;
        pos = dot + 1;
    }
    e.item = parts.back();
    for (size_t i = 0; i + 1 < parts.size(); ++i) {
        const std::string& p = parts[i];
        if (p.compare(0, 5, "Board") == 0 && is_digits(p, 5))
            e.slot = std::stoi(p.substr(5, 9));
        else if ((p.compare(0, 4, "CHAN") == 0 || p.compare(0, 4, "Chan") == 0) && is_digits(p, 4))
            e.channel = std::stoi(p.substr(4, 9));
    }
}

std::vector<Event> legacy_events(const char* records, int count) {
    std::vector<Event> out;
    for (int i = 0; records && i < count; ++i) {
        const char* r = records + static_cast<size_t>(i) * kLegacyRecord;
        Event e;
        const char* name = r + kLegacyName;
        split_item_name(std::string(name, strnlen(name, kLegacyNumber - kLegacyName)), e);
        e.kind = ZEVAHV_EVENT_PARAMETER;
        if (static_cast<unsigned char>(r[0]) == kLegacyNotice)
            e.kind = e.item == "KeepAlive" ? ZEVAHV_EVENT_KEEPALIVE : ZEVAHV_EVENT_LIVEINSERTION;
        e.value.assign(r + kLegacyNumber, r + kLegacyNumber + 4);
        e.legacy = true;
        const char* text = r + kLegacyText;
        e.legacy_text.assign(text, strnlen(text, kLegacyTextSize));
        e.has_text = !e.legacy_text.empty();
        out.push_back(std::move(e));
    }
    return out;
}

EventStream::EventStream(const std::string& listen_address, unsigned short port, EventPath path)
    : path_(path) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    if (inet_pton(AF_INET, listen_address.c_str(), &a.sin_addr) != 1)
        throw Failure(kExitUsage, -1,
                      "listen address \"" + listen_address + "\" is not a dotted IPv4 address");
    bool datagrams = path_ == EventPath::kSystemDatagrams;
    fd_ = socket(AF_INET, (datagrams ? SOCK_DGRAM : SOCK_STREAM) | SOCK_CLOEXEC, 0);
    int one = 1;
    if (fd_ < 0 || setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one) != 0 ||
        bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        (!datagrams && listen(fd_, 16) != 0)) {
        std::string why = std::strerror(errno);
        if (fd_ >= 0) close(fd_);
        fd_ = -1;
        throw Failure(kExitEvents, -1,
                      std::string("cannot ") + (datagrams ? "receive datagrams" : "listen for events") +
                          " on " + listen_address + ":" + std::to_string(port) + ": " + why);
    }
    socklen_t len = sizeof a;
    getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
}

EventStream::~EventStream() {
    for (auto& c : connections_) close(c.fd);
    if (fd_ >= 0) close(fd_);
}

void EventStream::accept_one() {
    int fd = accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) return;
    Connection c;
    c.fd = fd;
    c.from_local_host = peer_of(fd) == "127.0.0.1";
    // A polling thread's stream starts with its identification text; a
    // mainframe's (or a stranger's, which the reader then refuses) with a frame.
    c.identified = !c.from_local_host;
    connections_.push_back(c);
}

// The identification text is read a byte at a time so that nothing of the
// frame behind it is taken from the library's reader.
bool EventStream::read_ident(Connection& c) {
    for (;;) {
        char ch;
        ssize_t n = recv(c.fd, &ch, 1, MSG_DONTWAIT);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return true;
        if (n <= 0) return false;
        if (ch == '\0') {
            c.identified = true;
            return true;
        }
        if (c.ident.size() >= kMaxIdent) return false;
        c.ident += ch;
    }
}

bool EventStream::read_from(Connection& c, std::vector<Event>& out) {
    if (!c.identified) return read_ident(c);
    ZEVAHV_SYSTEMSTATUS_t status;
    IDValue_t* events = nullptr;
    unsigned count = 0;
    int rc = ZEVAHV_GetEventData(c.fd, &status, &events, &count);
    if (rc == ZEVAHV_OK) {
        for (unsigned i = 0; events && i < count; ++i) out.push_back(from_record(events[i]));
        ZEVAHV_FreeEventData(&events);
        c.delivered = true;
        return true;
    }
    // A stream that has delivered before may pause; anything else that
    // fails is no event stream of ours (a stray peer) and is dropped, so
    // that it cannot keep the wait busy.
    if (rc == ZEVAHV_ERR_NODATA && c.delivered) return true;
    if (c.delivered) close_code_ = rc;
    return false;
}

bool EventStream::read_datagram(std::vector<Event>& out) {
    char* records = nullptr;
    int count = 0;
    int rc = ZEVAHVGetEventData(fd_, &records, &count);
    if (rc == ZEVAHV_OK) {
        auto more = legacy_events(records, count);
        out.insert(out.end(), more.begin(), more.end());
    }
    if (records) {
        auto* p = reinterpret_cast<IDValue_t*>(records);
        ZEVAHVFreeEventData(&p);
    }
    // A datagram from a stranger, a broken one, or one of items no longer
    // subscribed is dropped by the reader (23, or 1 for a short one): the
    // next one may be good.  Only a failing socket ends the stream.
    if (rc == ZEVAHV_ERR_SOCKETERROR) {
        close_code_ = rc;
        return false;
    }
    return true;
}

EventStream::Status EventStream::wait(int timeout_ms, std::vector<Event>& out) {
    if (closed_) return Status::kClosed;
    std::vector<pollfd> fds;
    fds.push_back({fd_, POLLIN, 0});
    for (const auto& c : connections_) fds.push_back({c.fd, POLLIN, 0});
    int r = poll(fds.data(), fds.size(), timeout_ms);
    if (r < 0) return errno == EINTR ? Status::kInterrupted : Status::kQuiet;
    size_t before = out.size();
    if (path_ == EventPath::kSystemDatagrams) {
        if ((fds[0].revents & (POLLIN | POLLERR)) && !read_datagram(out)) closed_ = true;
        if (out.size() > before) return Status::kEvents;
        return closed_ ? Status::kClosed : Status::kQuiet;
    }
    bool lost_local = false;
    // Connections first (by index into the poll list), then new arrivals.
    std::vector<Connection> kept;
    for (size_t i = 0; i < connections_.size(); ++i) {
        Connection& c = connections_[i];
        short ev = fds[i + 1].revents;
        bool alive = true;
        if (ev & (POLLIN | POLLHUP | POLLERR)) alive = read_from(c, out);
        if (alive) {
            kept.push_back(c);
        } else {
            lost_local = lost_local || (c.delivered && c.from_local_host);
            close(c.fd);
        }
    }
    connections_ = std::move(kept);
    if (fds[0].revents & POLLIN) accept_one();
    // A polling thread connects once, at the first subscription, and never
    // again by itself: when its connection ends, no more events will come.
    // A mainframe may connect anew, so its connections are not counted.
    if (lost_local && path_ == EventPath::kLocalPolling) {
        bool local_left = false;
        for (const auto& c : connections_) local_left = local_left || (c.delivered && c.from_local_host);
        closed_ = !local_left;
    }
    if (out.size() > before) return Status::kEvents;
    return closed_ ? Status::kClosed : Status::kQuiet;
}

}  // namespace zcli
