#include "mainframe_client.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace {

using Clock = std::chrono::steady_clock;

int left_ms(Clock::time_point deadline) {
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return ms < 0 ? 0 : static_cast<int>(ms);
}

// Reads exactly n bytes before the deadline; false on time-out or end.
bool read_exact_fd(int fd, std::string& out, size_t n, int timeout_ms) {
    auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    out.clear();
    while (out.size() < n) {
        pollfd p{fd, POLLIN, 0};
        int r = poll(&p, 1, left_ms(deadline));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return false;
        char buf[65536];
        ssize_t got = recv(fd, buf, std::min(sizeof buf, n - out.size()), 0);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        out.append(buf, static_cast<size_t>(got));
    }
    return true;
}

std::string read_some_fd(int fd, size_t max, int timeout_ms) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, timeout_ms) <= 0) return {};
    std::string buf(max, '\0');
    ssize_t n = recv(fd, buf.data(), max, 0);
    buf.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return buf;
}

bool closed_within_fd(int fd, int timeout_ms) {
    auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        int r = poll(&p, 1, left_ms(deadline));
        if (r <= 0) return false;
        char buf[4096];
        ssize_t n = recv(fd, buf, sizeof buf, 0);
        if (n <= 0) return true;
    }
}

uint32_t get32(const std::string& s, size_t at) {
    uint32_t v = 0;
    for (size_t i = 0; i < 4 && at + i < s.size(); ++i) v = v << 8 | static_cast<uint8_t>(s[at + i]);
    return v;
}

sockaddr_in address(const std::string& host, int port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    inet_pton(AF_INET, host.c_str(), &a.sin_addr);
    return a;
}

} // namespace

std::string be16(uint16_t v) { return {static_cast<char>(v >> 8), static_cast<char>(v & 0xFF)}; }

std::string be32(uint32_t v) { return be16(static_cast<uint16_t>(v >> 16)) + be16(static_cast<uint16_t>(v)); }

std::string number_list(const std::vector<uint16_t>& list) {
    std::string s = be16(static_cast<uint16_t>(list.size())) + ":";
    for (uint16_t v : list) s += be16(v);
    return s;
}

std::optional<MfClient> MfClient::connect(const std::string& host, int port) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return std::nullopt;
    sockaddr_in a = address(host, port);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        close(fd);
        return std::nullopt;
    }
    return MfClient(fd);
}

MfClient::MfClient(MfClient&& o) noexcept : session(o.session), fd_(o.fd_) { o.fd_ = -1; }

MfClient::~MfClient() {
    if (fd_ >= 0) close(fd_);
}

bool MfClient::send_raw(const std::string& bytes) {
    return ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
}

bool MfClient::read_exact(std::string& out, size_t n, int timeout_ms) {
    return read_exact_fd(fd_, out, n, timeout_ms);
}

MfReply MfClient::read_reply(const std::string& name, bool with_session, int timeout_ms) {
    MfReply r;
    std::string len;
    if (!read_exact(len, 4, timeout_ms)) return r;
    if (!read_exact(r.payload, get32(len, 0), timeout_ms)) return r;
    r.received = true;
    size_t at = name.size() + 1 + (with_session ? 5 : 0);
    if (r.payload.size() < at + 3) return r;
    r.status = static_cast<uint16_t>(static_cast<uint8_t>(r.payload[at]) << 8 | static_cast<uint8_t>(r.payload[at + 1]));
    std::string rest = r.payload.substr(at + 3);
    auto colon = rest.find(':');
    if (r.status == 0 && colon != std::string::npos) {
        r.text = rest.substr(0, colon);
        r.data = rest.substr(colon + 1);
    } else {
        r.text = rest;
    }
    return r;
}

MfReply MfClient::request(const std::string& name, const std::string& args, bool with_session, int timeout_ms) {
    std::string p = name;
    if (with_session) p += ":" + be32(session);
    if (!args.empty()) p += ":" + args;
    if (!send_raw(be32(static_cast<uint32_t>(p.size())) + p)) return {};
    return read_reply(name, with_session, timeout_ms);
}

MfReply MfClient::login(const std::string& user, const std::string& password, const std::string& command) {
    MfReply r = request(command, user + ":" + password, false);
    if (r.status == 0 && r.data.size() == 4) session = get32(r.data, 0);
    return r;
}

std::string MfClient::read_some(size_t max, int timeout_ms) { return read_some_fd(fd_, max, timeout_ms); }

bool MfClient::closed_within(int timeout_ms) { return closed_within_fd(fd_, timeout_ms); }

uint32_t MfItem::number() const { return get32(value, 0); }

const MfItem* MfFrame::find(uint32_t id) const {
    for (const auto& i : items)
        if (i.id == id) return &i;
    return nullptr;
}

MfEventPort::MfEventPort() {
    listen_fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a = address("127.0.0.1", 0);
    socklen_t len = sizeof a;
    if (bind(listen_fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && listen(listen_fd_, 4) == 0 &&
        getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&a), &len) == 0)
        port_ = ntohs(a.sin_port);
}

MfEventPort::~MfEventPort() {
    if (fd_ >= 0) close(fd_);
    if (listen_fd_ >= 0) close(listen_fd_);
}

bool MfEventPort::accept(int timeout_ms, std::string* peer) {
    pollfd p{listen_fd_, POLLIN, 0};
    if (poll(&p, 1, timeout_ms) != 1) return false;
    sockaddr_in a{};
    socklen_t len = sizeof a;
    if (fd_ >= 0) close(fd_);
    fd_ = ::accept4(listen_fd_, reinterpret_cast<sockaddr*>(&a), &len, SOCK_CLOEXEC);
    if (fd_ < 0) return false;
    if (peer) {
        char host[INET_ADDRSTRLEN];
        inet_ntop(AF_INET, &a.sin_addr, host, sizeof host);
        *peer = host;
    }
    return true;
}

bool MfEventPort::read_exact(std::string& out, size_t n, int timeout_ms) {
    return fd_ >= 0 && read_exact_fd(fd_, out, n, timeout_ms);
}

std::optional<MfFrame> MfEventPort::frame(int timeout_ms) {
    MfFrame f;
    if (!read_exact(f.header, 45, timeout_ms)) return std::nullopt;
    f.count = get32(f.header, 20);
    f.total = get32(f.header, 41);
    for (size_t i = 24; i < 41; ++i) f.states.push_back(static_cast<uint8_t>(f.header[i]));
    if (f.total < 45 || f.total > (1u << 24)) return f;
    std::string body;
    if (!read_exact(body, f.total - 45, timeout_ms)) return std::nullopt;
    size_t at = 0;
    while (at + 8 <= body.size()) {
        uint32_t form_and_length = get32(body, at + 4);
        MfItem it{get32(body, at), static_cast<uint16_t>(form_and_length >> 16), {}};
        size_t len = form_and_length & 0xFFFF;
        it.value = body.substr(at + 8, len);
        at += 8 + len;
        f.items.push_back(it);
    }
    return f;
}

std::string MfEventPort::read_some(size_t max, int timeout_ms) {
    return fd_ < 0 ? std::string() : read_some_fd(fd_, max, timeout_ms);
}

bool MfEventPort::closed_within(int timeout_ms) { return fd_ >= 0 && closed_within_fd(fd_, timeout_ms); }

MfDatagrams::MfDatagrams(const std::string& host, int port) {
    fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in a = address("127.0.0.1", 0);
    sockaddr_in peer = address(host, port);
    socklen_t len = sizeof a;
    if (bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        ::connect(fd_, reinterpret_cast<sockaddr*>(&peer), sizeof peer) == 0 &&
        getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len) == 0)
        port_ = ntohs(a.sin_port);
}

MfDatagrams::~MfDatagrams() {
    if (fd_ >= 0) close(fd_);
}

std::optional<std::string> MfDatagrams::next(int timeout_ms) {
    pollfd p{fd_, POLLIN, 0};
    if (poll(&p, 1, timeout_ms) != 1) return std::nullopt;
    std::string buf(65536, '\0');
    ssize_t n = recv(fd_, buf.data(), buf.size(), 0);
    if (n < 0) return std::nullopt;
    buf.resize(static_cast<size_t>(n));
    return buf;
}
