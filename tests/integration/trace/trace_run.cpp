#include "trace_run.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "child_process.h"

TraceFolder::TraceFolder() {
    char dir[] = "/tmp/zevahv-trace-test-XXXXXX";
    if (::mkdtemp(dir) == nullptr) ADD_FAILURE() << "mkdtemp";
    path_ = dir;
}

TraceFolder::~TraceFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

bool TraceFolder::exists(const std::string &name) const {
    return std::filesystem::exists(path_ + "/" + name);
}

std::vector<std::string> TraceFolder::lines(const std::string &name) const {
    std::ifstream in(path_ + "/" + name);
    std::vector<std::string> out;
    for (std::string l; std::getline(in, l);) out.push_back(l);
    return out;
}

namespace {

std::string slurp(const std::string &file) {
    std::ifstream in(file);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace

TraceRun TraceFolder::zevahv(const std::vector<std::string> &env,
                             const std::vector<std::string> &args, int timeout_ms) const {
    TraceRun r;
    const std::string out_file = path_ + "/stdout", err_file = path_ + "/stderr";
    const int out = ::open(out_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const int err = ::open(err_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const int in = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    std::vector<std::string> argv{"/usr/bin/env"};
    argv.insert(argv.end(), env.begin(), env.end());
    argv.push_back(ZEVAHV_TOOL_PATH);
    argv.insert(argv.end(), args.begin(), args.end());
    const pid_t pid = spawn_child(argv, in, out, err);
    ::close(in);
    ::close(out);
    ::close(err);
    if (pid < 0) {
        ADD_FAILURE() << "fork";
        return r;
    }
    // Waits for the end on the process's own descriptor.
    const int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    pollfd p{pidfd, POLLIN, 0};
    if (pidfd < 0 || ::poll(&p, 1, timeout_ms) != 1) {
        ADD_FAILURE() << "zevahv did not end within " << timeout_ms << " ms";
        ::kill(pid, SIGKILL);
    }
    if (pidfd >= 0) ::close(pidfd);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (WIFEXITED(status)) r.exit_code = WEXITSTATUS(status);
    r.out = slurp(out_file);
    r.err = slurp(err_file);
    return r;
}

std::vector<std::string> lines_with(const std::vector<std::string> &lines,
                                    const std::vector<std::string> &parts) {
    std::vector<std::string> out;
    for (const auto &l : lines) {
        bool all = true;
        for (const auto &p : parts) all = all && l.find(p) != std::string::npos;
        if (all) out.push_back(l);
    }
    return out;
}
