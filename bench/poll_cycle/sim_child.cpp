#include "sim_child.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <sstream>

SimChild::~SimChild() {
    if (to_ >= 0) close(to_);
    if (from_ >= 0) close(from_);
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        for (int i = 0; i < 100; ++i) {
            if (waitpid(pid_, nullptr, WNOHANG) == pid_) return;
            usleep(20000);
        }
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

bool SimChild::start(const std::vector<std::string> &args) {
    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) != 0) return false;
    if (pipe2(out, O_CLOEXEC) != 0) {
        close(in[0]), close(in[1]);
        return false;
    }
    std::vector<std::string> argv_s{ZEVAHV_SIM_PATH};
    argv_s.insert(argv_s.end(), args.begin(), args.end());
    std::vector<char *> argv;
    for (auto &s : argv_s) argv.push_back(s.data());
    argv.push_back(nullptr);
    pid_t parent = getpid();
    pid_ = fork();
    if (pid_ < 0) return false;
    if (pid_ == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);  // never outlive the bench
        if (getppid() != parent) _exit(127);
        dup2(in[0], 0);
        dup2(out[1], 1);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    to_ = in[1];
    from_ = out[0];
    std::string line;
    if (!read_line(&line, 10000)) {
        std::fprintf(stderr, "zevahv-sim did not get ready\n");
        return false;
    }
    std::istringstream is(line);
    std::string ready, kind, a, b;
    is >> ready >> kind >> a >> b;
    if (ready != "READY") {
        std::fprintf(stderr, "zevahv-sim said: %s\n", line.c_str());
        return false;
    }
    if (kind == "tcp") port_ = std::atoi(b.c_str());
    else pty_ = a;
    return true;
}

bool SimChild::read_line(std::string *line, int timeout_ms) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
        std::size_t nl = pending_.find('\n');
        if (nl != std::string::npos) {
            *line = pending_.substr(0, nl);
            pending_.erase(0, nl + 1);
            return true;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        deadline - std::chrono::steady_clock::now())
                        .count();
        if (left <= 0) return false;
        pollfd p{from_, POLLIN, 0};
        int r = poll(&p, 1, static_cast<int>(left));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return false;
        char buf[512];
        ssize_t n = read(from_, buf, sizeof buf);
        if (n <= 0) return false;
        pending_.append(buf, static_cast<std::size_t>(n));
    }
}

std::string SimChild::control(const std::string &cmd) {
    std::string l = cmd + "\n";
    if (write(to_, l.data(), l.size()) != static_cast<ssize_t>(l.size())) return {};
    std::string reply;
    return read_line(&reply, 10000) ? reply : std::string();
}

int listen_local(unsigned short *port) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0 || listen(fd, 64) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr *>(&a), &len) != 0) {
        close(fd);
        return -1;
    }
    *port = ntohs(a.sin_port);
    return fd;
}

int accept_within(int lfd, int ms) {
    pollfd p{lfd, POLLIN, 0};
    if (poll(&p, 1, ms) <= 0) return -1;
    return accept4(lfd, nullptr, nullptr, SOCK_CLOEXEC);
}
