#include "tool_process.h"

#include "child_process.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace {

using Clock = std::chrono::steady_clock;

// in: null for /dev/null, else receives the writing end of a pipe.
pid_t spawn(const std::vector<std::string>& args, int* in, int* out, int* err) {
    int i[2] = {-1, -1}, o[2], e[2];
    if ((in && pipe2(i, O_CLOEXEC) != 0) || pipe2(o, O_CLOEXEC) != 0 || pipe2(e, O_CLOEXEC) != 0) {
        ADD_FAILURE() << "pipe";
        return -1;
    }
    std::vector<std::string> argv{ZEVAHV_TOOL_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    int child_in = in ? i[0] : open("/dev/null", O_RDONLY | O_CLOEXEC);
    pid_t pid = spawn_child(argv, child_in, o[1], e[1]);
    if (child_in >= 0) close(child_in);
    close(o[1]);
    close(e[1]);
    if (pid < 0) {
        ADD_FAILURE() << "fork";
        close(o[0]);
        close(e[0]);
        if (in) close(i[1]);
        return -1;
    }
    if (in) *in = i[1];
    *out = o[0];
    *err = e[0];
    return pid;
}

// Writes all of `text`; false when the reader has gone.
bool write_all(int fd, const std::string& text) {
    // A program that ended early must fail the test, not kill it.
    static const bool ignore_broken_pipes = (signal(SIGPIPE, SIG_IGN), true);
    (void)ignore_broken_pipes;
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// Appends what is there to read; false at the end of the stream.
bool read_some(int fd, std::string& to) {
    char buf[4096];
    ssize_t n = read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) return true;
    if (n <= 0) return false;
    to.append(buf, static_cast<size_t>(n));
    return true;
}

int exit_code_of(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : -1; }

long ms_until(Clock::time_point t) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(t - Clock::now()).count();
    return left > 0 ? static_cast<long>(left) : 0;
}

}  // namespace

ToolResult run_tool(const std::vector<std::string>& args, int timeout_ms, const std::string& input) {
    ToolResult r;
    int in = -1, out = -1, err = -1;
    pid_t pid = spawn(args, input.empty() ? nullptr : &in, &out, &err);
    if (pid < 0) return r;
    if (in >= 0) {
        // A batch's lines fit the pipe; the program reads them as it goes.
        EXPECT_TRUE(write_all(in, input));
        close(in);
    }
    auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    bool out_open = true, err_open = true;
    while ((out_open || err_open) && ms_until(deadline) > 0) {
        pollfd fds[2] = {{out_open ? out : -1, POLLIN, 0}, {err_open ? err : -1, POLLIN, 0}};
        if (poll(fds, 2, static_cast<int>(ms_until(deadline))) <= 0) continue;
        if (fds[0].revents) out_open = read_some(out, r.out);
        if (fds[1].revents) err_open = read_some(err, r.err);
    }
    if (out_open || err_open) {
        ADD_FAILURE() << "zevahv did not end within " << timeout_ms << " ms";
        kill(pid, SIGKILL);
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    close(out);
    close(err);
    r.exit_code = exit_code_of(status);
    return r;
}

RunningTool::RunningTool(const std::vector<std::string>& args, bool interactive) {
    pid_ = spawn(args, interactive ? &in_ : nullptr, &out_, &err_);
}

RunningTool::~RunningTool() {
    close_input();
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        while (waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
    if (out_ >= 0) close(out_);
    if (err_ >= 0) close(err_);
}

void RunningTool::drain_err() {
    while (err_ >= 0) {
        pollfd p{err_, POLLIN, 0};
        if (poll(&p, 1, 0) <= 0 || !read_some(err_, err_text_)) break;
    }
}

bool RunningTool::next_line(std::string& line, int timeout_ms) {
    auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
        auto nl = pending_.find('\n');
        if (nl != std::string::npos) {
            line = pending_.substr(0, nl);
            pending_.erase(0, nl + 1);
            return true;
        }
        if (out_ < 0 || ms_until(deadline) <= 0) return false;
        pollfd p{out_, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(ms_until(deadline))) <= 0) continue;
        if (!read_some(out_, pending_)) {
            close(out_);
            out_ = -1;
        }
    }
}

void RunningTool::write_line(const std::string& line) {
    ASSERT_GE(in_, 0) << "the tool's input is closed";
    EXPECT_TRUE(write_all(in_, line + "\n")) << "zevahv stopped reading: " << err();
}

void RunningTool::close_input() {
    if (in_ >= 0) close(in_);
    in_ = -1;
}

void RunningTool::signal(int sig) {
    if (pid_ > 0) kill(pid_, sig);
}

int RunningTool::wait(int timeout_ms) {
    auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    int status = 0;
    while (pid_ > 0) {
        pid_t r = waitpid(pid_, &status, WNOHANG);
        if (r == pid_) {
            pid_ = -1;
            break;
        }
        if (ms_until(deadline) <= 0) {
            ADD_FAILURE() << "zevahv did not end within " << timeout_ms << " ms";
            return -1;
        }
        // Keep the pipes flowing so that the program never blocks on them.
        pollfd fds[2] = {{out_, POLLIN, 0}, {err_, POLLIN, 0}};
        if (poll(fds, 2, 20) > 0) {
            if (fds[0].revents && !read_some(out_, pending_)) {
                close(out_);
                out_ = -1;
            }
            if (fds[1].revents && !read_some(err_, err_text_)) {
                close(err_);
                err_ = -1;
            }
        }
    }
    drain_err();
    return exit_code_of(status);
}

std::string RunningTool::err() {
    drain_err();
    return err_text_;
}

unsigned short free_port() {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0)
        ADD_FAILURE() << "no free loopback port";
    if (fd >= 0) close(fd);
    return ntohs(a.sin_port);
}
