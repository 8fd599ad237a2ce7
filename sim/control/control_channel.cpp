#include "control/control_channel.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "wire/line_splitter.h"

namespace sim {

namespace {

constexpr size_t kMaxControlLine = 4096;
constexpr size_t kMaxClients = 32;
constexpr size_t kMaxPending = 1 << 20; // answers a client has not read yet
constexpr int kBackgroundRecheckMs = 1000;

bool valid_port(const std::string& s, int& port) {
    if (s.empty() || s.size() > 5) return false;
    long v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    if (v > 65535) return false;
    port = static_cast<int>(v);
    return true;
}

// Writes everything, retrying on interruptions; false when the peer is gone.
bool write_all(int fd, const std::string& bytes) {
    size_t off = 0;
    while (off < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + off, bytes.size() - off);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        off += static_cast<size_t>(n);
    }
    return true;
}

// A local socket path that is already there: a stale socket left by a
// simulator that was killed is replaced; a live one, or any other file, is
// not touched.
bool clear_stale_socket(const std::string& path, std::string& error) {
    struct stat st{};
    if (lstat(path.c_str(), &st) != 0) return true; // nothing there
    if (!S_ISSOCK(st.st_mode)) {
        error = path + " exists and is not a socket";
        return false;
    }
    int probe = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (probe < 0) {
        error = std::string("socket: ") + std::strerror(errno);
        return false;
    }
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    std::memcpy(a.sun_path, path.c_str(), path.size() + 1);
    bool live = connect(probe, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    close(probe);
    if (live) {
        error = path + " is served by another process";
        return false;
    }
    unlink(path.c_str());
    return true;
}

struct Client {
    int fd = -1;
    LineSplitter splitter{kMaxControlLine};
    std::string pending; // answers not yet written
    bool dropped = false;
};

} // namespace

std::optional<std::string> parse_control_address(const std::string& text, ControlAddress& out) {
    ControlAddress a;
    if (text.find('/') != std::string::npos) {
        if (text.size() >= sizeof(sockaddr_un{}.sun_path))
            return "the socket path is longer than " +
                   std::to_string(sizeof(sockaddr_un{}.sun_path) - 1) + " bytes";
        if (text.back() == '/') return text + " names a folder, not a socket";
        a.kind = ControlAddress::Kind::Local;
        a.path = text;
        out = a;
        return std::nullopt;
    }
    auto colon = text.rfind(':');
    if (colon == std::string::npos)
        return "a socket path (holding a '/') or HOST:PORT, not \"" + text + "\"";
    a.host = text.substr(0, colon);
    in_addr addr{};
    if (inet_pton(AF_INET, a.host.c_str(), &addr) != 1)
        return a.host + " is not an IPv4 address";
    if ((ntohl(addr.s_addr) >> 24) != 127)
        return a.host + " is not a loopback address (127.0.0.0/8)";
    if (!valid_port(text.substr(colon + 1), a.port)) return "bad port in " + text;
    a.kind = ControlAddress::Kind::Tcp;
    out = a;
    return std::nullopt;
}

const char* control_channel_help() {
    return R"(Control channel (one command a line, each answered with one line beginning
"OK" or "ERR"; the commands are the device's, listed below):
  --control PATH        also listen on a local socket at PATH (any text with a
                        '/'; a stale socket left there is replaced)
  --control HOST:PORT   also listen on a loopback TCP port (127.0.0.0/8; port 0
                        lets the kernel choose)
  With --control, a second line follows READY on stdout:
    CONTROL local <path>      or     CONTROL tcp <host> <port>
  Standard input is a control channel too while it is a pipe, a file or a
  terminal; a terminal is read only while the simulator runs in the
  foreground, so "zevahv-sim ... &" in a shell keeps serving, and "fg" gives
  the terminal back to it. Answers to stdin go to stdout. The end of stdin
  ends nothing: the simulator serves until "quit", SIGINT (Ctrl-C) or
  SIGTERM (kill <pid>), whatever its input is (closed, /dev/null, nohup, a
  service). Each socket client gets the answers to its own lines.
    echo count | socat - UNIX-CONNECT:/tmp/sim.ctl
    echo count | socat - TCP:127.0.0.1:<port>
)";
}

void prepare_process() {
    // Descriptors 0 to 2 closed by whoever started us: fill them first, so
    // that the sockets opened later never take their numbers.
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) >= 0) continue;
        int n = open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        if (n >= 0 && n != fd) {
            dup2(n, fd);
            close(n);
        }
    }
    signal(SIGPIPE, SIG_IGN);
    signal(SIGTTIN, SIG_IGN);
    signal(SIGTTOU, SIG_IGN);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGCONT);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

struct ControlChannel::Impl {
    ControlAddress address;
    int listen_fd = -1;
    int bound_port = 0;
    std::vector<Client> clients;

    ~Impl() { close_all(); }

    void close_all() {
        for (auto& c : clients) close(c.fd);
        clients.clear();
        if (listen_fd < 0) return;
        close(listen_fd);
        listen_fd = -1;
        if (address.kind == ControlAddress::Kind::Local) unlink(address.path.c_str());
    }

    bool bind_local(std::string& error) {
        if (!clear_stale_socket(address.path, error)) return false;
        listen_fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (listen_fd < 0) {
            error = std::string("socket: ") + std::strerror(errno);
            return false;
        }
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        std::memcpy(a.sun_path, address.path.c_str(), address.path.size() + 1);
        if (bind(listen_fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
            listen(listen_fd, 16) != 0) {
            error = "cannot listen on " + address.path + ": " + std::strerror(errno);
            close(listen_fd);
            listen_fd = -1;
            return false;
        }
        return true;
    }

    bool bind_tcp(std::string& error) {
        listen_fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (listen_fd < 0) {
            error = std::string("socket: ") + std::strerror(errno);
            return false;
        }
        int one = 1;
        setsockopt(listen_fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<uint16_t>(address.port));
        inet_pton(AF_INET, address.host.c_str(), &a.sin_addr);
        socklen_t len = sizeof a;
        if (bind(listen_fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
            listen(listen_fd, 16) != 0 ||
            getsockname(listen_fd, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
            error = "cannot listen on " + address.host + ":" + std::to_string(address.port) +
                    ": " + std::strerror(errno);
            close(listen_fd);
            listen_fd = -1;
            return false;
        }
        bound_port = ntohs(a.sin_port);
        return true;
    }

    void accept_clients() {
        for (;;) {
            int fd = accept4(listen_fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
            if (fd < 0) {
                if (errno == EINTR || errno == ECONNABORTED) continue;
                return; // EAGAIN: no more waiting, or out of descriptors for now
            }
            if (clients.size() >= kMaxClients) {
                static const char busy[] = "ERR too many control clients\n";
                (void)!write(fd, busy, sizeof busy - 1);
                close(fd);
                continue;
            }
            Client c;
            c.fd = fd;
            clients.push_back(std::move(c));
        }
    }
};

std::unique_ptr<ControlChannel> ControlChannel::open(const ControlAddress& address,
                                                     std::string& error) {
    std::unique_ptr<ControlChannel> ch(new ControlChannel());
    ch->impl_ = std::make_unique<Impl>();
    ch->impl_->address = address;
    switch (address.kind) {
    case ControlAddress::Kind::None: break;
    case ControlAddress::Kind::Local:
        if (!ch->impl_->bind_local(error)) return nullptr;
        break;
    case ControlAddress::Kind::Tcp:
        if (!ch->impl_->bind_tcp(error)) return nullptr;
        break;
    }
    return ch;
}

ControlChannel::~ControlChannel() = default;

std::string ControlChannel::announcement() const {
    switch (impl_->address.kind) {
    case ControlAddress::Kind::None: return {};
    case ControlAddress::Kind::Local: return "CONTROL local " + impl_->address.path;
    case ControlAddress::Kind::Tcp:
        return "CONTROL tcp " + impl_->address.host + " " + std::to_string(impl_->bound_port);
    }
    return {};
}

namespace {

// Standard input as a control source.
class StdinSource {
public:
    StdinSource() {
        struct stat st{};
        if (fstat(0, &st) != 0) return; // not open at all
        terminal_ = isatty(0) != 0;
        open_ = true;
    }
    // Whether to poll it now: a terminal only while we are in its
    // foreground (reading our controlling terminal from the background
    // would stop us; a terminal that is not ours cannot).
    bool wanted() const {
        if (!open_) return false;
        if (!terminal_) return true;
        pid_t fg = tcgetpgrp(0);
        return fg < 0 || fg == getpgrp();
    }
    bool terminal() const { return open_ && terminal_; }

    // Reads what is there; the complete lines, or an empty list. The end of
    // a pipe or file closes the source for good; a terminal's Ctrl-D does
    // not, but a terminal that hung up does.
    std::vector<LineSplitter::Line> read_lines(short revents) {
        char buf[4096];
        ssize_t n = read(0, buf, sizeof buf);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) return {};
        if (n < 0 && errno == EIO && terminal_ && !wanted()) return {}; // sent to the background
        if (n <= 0) {
            if (!terminal_ || n < 0 || (revents & (POLLHUP | POLLERR | POLLNVAL))) open_ = false;
            return {};
        }
        return splitter_.feed(std::string_view(buf, static_cast<size_t>(n)));
    }

private:
    bool open_ = false;
    bool terminal_ = false;
    LineSplitter splitter_{kMaxControlLine};
};

std::string answer_line(const ControlHandler& h, const LineSplitter::Line& line) {
    if (line.overlong) return "ERR line longer than " + std::to_string(kMaxControlLine) + " bytes";
    return h.answer(line.text);
}

} // namespace

void ControlChannel::run(const ControlHandler& handler) {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGCONT);
    int sfd = signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
    StdinSource in;
    Impl& s = *impl_;
    bool done = false;

    while (!done) {
        std::vector<pollfd> fds;
        fds.push_back({sfd, POLLIN, 0});
        bool poll_stdin = in.wanted();
        fds.push_back({poll_stdin ? 0 : -1, POLLIN, 0});
        fds.push_back({s.listen_fd, POLLIN, 0});
        for (auto& c : s.clients)
            fds.push_back({c.fd, static_cast<short>(POLLIN | (c.pending.empty() ? 0 : POLLOUT)), 0});
        // A terminal we may not read now is looked at again now and then,
        // besides on SIGCONT, in case it is handed back without one.
        int timeout = in.terminal() && !poll_stdin ? kBackgroundRecheckMs : -1;
        int r = poll(fds.data(), fds.size(), timeout);
        if (r < 0 && errno != EINTR) break;
        if (r <= 0) continue;

        if (fds[0].revents & POLLIN) {
            signalfd_siginfo si{};
            while (read(sfd, &si, sizeof si) == static_cast<ssize_t>(sizeof si))
                if (si.ssi_signo == SIGINT || si.ssi_signo == SIGTERM) done = true;
            if (done) break;
        }
        if (poll_stdin && (fds[1].revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL))) {
            for (const auto& line : in.read_lines(fds[1].revents)) {
                write_all(1, answer_line(handler, line) + "\n");
                if (handler.quit_requested()) {
                    done = true;
                    break;
                }
            }
            if (done) break;
        }
        // Clients: answers first (their order in fds is that of the vector).
        for (size_t i = 0; i < s.clients.size() && !done; ++i) {
            Client& c = s.clients[i];
            short ev = fds[3 + i].revents;
            bool drop = false;
            if (ev & POLLIN) {
                char buf[4096];
                ssize_t n = read(c.fd, buf, sizeof buf);
                if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN)) {
                    drop = true;
                } else if (n > 0) {
                    for (const auto& line :
                         c.splitter.feed(std::string_view(buf, static_cast<size_t>(n)))) {
                        c.pending += answer_line(handler, line) + "\n";
                        if (handler.quit_requested()) {
                            done = true;
                            break;
                        }
                    }
                }
            } else if (ev & (POLLHUP | POLLERR | POLLNVAL)) {
                drop = true;
            }
            if (!c.pending.empty()) {
                ssize_t n = send(c.fd, c.pending.data(), c.pending.size(), MSG_NOSIGNAL);
                if (n > 0) c.pending.erase(0, static_cast<size_t>(n));
                else if (n < 0 && errno != EAGAIN && errno != EINTR) drop = true;
                if (c.pending.size() > kMaxPending) drop = true; // it never reads
            }
            if (done) {
                // The quit answer still reaches whoever asked for it.
                int fl = fcntl(c.fd, F_GETFL);
                fcntl(c.fd, F_SETFL, fl & ~O_NONBLOCK);
                write_all(c.fd, c.pending);
            }
            c.dropped = drop;
        }
        for (size_t i = s.clients.size(); i-- > 0;) {
            if (!s.clients[i].dropped) continue;
            close(s.clients[i].fd);
            s.clients.erase(s.clients.begin() + static_cast<long>(i));
        }
        if (s.listen_fd >= 0 && (fds[2].revents & POLLIN)) s.accept_clients();
    }
    if (sfd >= 0) close(sfd);
    s.close_all(); // the local socket's path goes with the listener
}

} // namespace sim
