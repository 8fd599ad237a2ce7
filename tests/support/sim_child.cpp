#include "sim_child.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <chrono>
#include <cstring>
#include <fstream>
#include <thread>

namespace {

constexpr int kReadyTimeoutMs = 10000;
constexpr int kControlTimeoutMs = 10000;

bool has_option(const std::vector<std::string>& args, const char* opt) {
    for (const auto& a : args)
        if (a == opt) return true;
    return false;
}

} // namespace

const char* SimChild::binary_path() { return ZEVAHV_SIM_PATH; }

bool SimChild::launch(const std::string& device, std::vector<std::string> args,
                      std::string* error, Input input) {
    auto fail_start = [&](const std::string& why) {
        *error = why;
        return false;
    };
    if (input != Input::Pipe && !has_option(args, "--control")) {
        args.push_back("--control");
        args.push_back("127.0.0.1:0");
    }
    if (!has_option(args, "--log")) {
        char tmpl[] = "/tmp/zevahv-sim-XXXXXX";
        int fd = mkstemp(tmpl);
        if (fd < 0) return fail_start("cannot create a log file");
        close(fd);
        log_path_ = tmpl;
        own_log_ = true;
        args.push_back("--log");
        args.push_back(log_path_);
    } else {
        for (size_t i = 0; i + 1 < args.size(); ++i)
            if (args[i] == "--log") log_path_ = args[i + 1];
    }

    int in_pipe[2], out_pipe[2];
    if (pipe2(in_pipe, O_CLOEXEC) != 0) return fail_start("pipe");
    if (pipe2(out_pipe, O_CLOEXEC) != 0) {
        close(in_pipe[0]);
        close(in_pipe[1]);
        return fail_start("pipe");
    }

    std::vector<std::string> argv_s;
    argv_s.push_back(ZEVAHV_SIM_PATH);
    argv_s.push_back(device);
    argv_s.insert(argv_s.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& s : argv_s) argv.push_back(s.data());
    argv.push_back(nullptr);

    pid_t parent = getpid();
    pid_t pid = fork();
    if (pid < 0) {
        for (int fd : {in_pipe[0], in_pipe[1], out_pipe[0], out_pipe[1]}) close(fd);
        return fail_start("fork");
    }
    if (pid == 0) {
        // The simulator must not outlive a test binary that dies.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) _exit(127);
        if (input == Input::Pipe) {
            dup2(in_pipe[0], 0);
        } else if (input == Input::DevNull) {
            int null = open("/dev/null", O_RDONLY);
            dup2(null, 0);
        } else {
            close(0);
        }
        dup2(out_pipe[1], 1);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(in_pipe[0]);
    close(out_pipe[1]);
    pid_ = pid;
    to_child_ = in_pipe[1];
    from_child_ = out_pipe[0];

    std::string line;
    if (!read_line(line, kReadyTimeoutMs))
        return fail_start("no READY line within 10 s");
    // "READY tcp 127.0.0.1 <port>" or "READY pty <path>"
    if (line.rfind("READY tcp ", 0) == 0) {
        auto sp = line.rfind(' ');
        port_ = std::atoi(line.c_str() + sp + 1);
        host_ = line.substr(10, sp > 10 ? sp - 10 : 0);
        if (port_ <= 0) return fail_start("bad READY line: " + line);
    } else if (line.rfind("READY pty ", 0) == 0) {
        pty_path_ = line.substr(10);
    } else {
        return fail_start("unexpected first line: " + line);
    }
    if (has_option(args, "--control")) {
        if (!read_line(line, kReadyTimeoutMs) || line.rfind("CONTROL ", 0) != 0)
            return fail_start("no CONTROL line after READY");
        control_address_ = line.substr(8);
    }
    if (input != Input::Pipe) {
        close_input();
        if (!connect_control())
            return fail_start("cannot connect to the control port " + control_address_);
    }
    return true;
}

void SimChild::close_input() {
    if (to_child_ >= 0) close(to_child_);
    to_child_ = -1;
}

bool SimChild::connect_control() {
    if (control_address_.rfind("local ", 0) == 0) {
        const std::string path = control_address_.substr(6);
        sockaddr_un a{};
        if (path.size() >= sizeof a.sun_path) return false;
        a.sun_family = AF_UNIX;
        path.copy(a.sun_path, path.size());
        control_fd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        return control_fd_ >= 0 &&
               connect(control_fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    }
    int port = control_port();
    if (port <= 0) return false;
    control_fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return control_fd_ >= 0 && connect(control_fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
}

int SimChild::control_port() const {
    if (control_address_.rfind("tcp ", 0) != 0) return 0;
    return std::atoi(control_address_.c_str() + control_address_.rfind(' ') + 1);
}

SimChild::~SimChild() {
    stop();
    if (to_child_ >= 0) close(to_child_);
    if (from_child_ >= 0) close(from_child_);
    if (control_fd_ >= 0) close(control_fd_);
    if (own_log_) unlink(log_path_.c_str());
}

std::string SimChild::tcp_arg(int board) const {
    return "127.0.0.1:" + std::to_string(port_) + "_" + std::to_string(board);
}

std::string SimChild::serial_arg(int board) const {
    return pty_path_ + "_9600_8_0_0_" + std::to_string(board);
}

bool SimChild::read_line_from(int fd, std::string& pending, std::string& line,
                                int timeout_ms) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
        auto nl = pending.find('\n');
        if (nl != std::string::npos) {
            line = pending.substr(0, nl);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            pending.erase(0, nl + 1);
            return true;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        deadline - std::chrono::steady_clock::now()).count();
        if (left <= 0 || fd < 0) return false;
        pollfd pfd{fd, POLLIN, 0};
        int r = poll(&pfd, 1, static_cast<int>(left));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return false;
        char buf[4096];
        ssize_t n = read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false; // the simulator closed its stdout (ended)
        pending.append(buf, static_cast<size_t>(n));
    }
}

bool SimChild::start(const std::vector<std::string>& device_and_args) {
    if (device_and_args.empty()) return false;
    std::string why;
    if (launch(device_and_args[0], {device_and_args.begin() + 1, device_and_args.end()}, &why))
        return true;
    std::fprintf(stderr, "zevahv-sim did not start: %s\n", why.c_str());
    return false;
}

bool SimChild::control_line(const std::string& cmd, std::string* reply) {
    std::lock_guard<std::mutex> lock(control_mutex_);
    if (pid_ <= 0) return false;
    if (to_child_ < 0 && control_fd_ < 0 && !connect_control()) return false;
    const bool by_port = control_fd_ >= 0;
    std::string out = cmd + "\n";
    const char* p = out.data();
    size_t left = out.size();
    while (left > 0) {
        ssize_t n = write(by_port ? control_fd_ : to_child_, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        left -= static_cast<size_t>(n);
    }
    return by_port ? read_line_from(control_fd_, control_pending_, *reply, kControlTimeoutMs)
                   : read_line(*reply, kControlTimeoutMs);
}

std::vector<std::string> SimChild::log_lines() const {
    std::vector<std::string> lines;
    std::ifstream in(log_path_);
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

void SimChild::kill_now() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    while (waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
}

bool SimChild::exited_within(int timeout_ms, int* status) {
    if (pid_ <= 0) return false;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
        int st = 0;
        pid_t r = waitpid(pid_, &st, WNOHANG);
        if (r == pid_) {
            pid_ = -1;
            if (status) *status = st;
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

void SimChild::stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < deadline) {
        pid_t r = waitpid(pid_, nullptr, WNOHANG);
        if (r == pid_ || (r < 0 && errno != EINTR)) {
            pid_ = -1;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    kill_now();
}
