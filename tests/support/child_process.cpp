#include "child_process.h"

#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

pid_t spawn_child(std::vector<std::string> argv_s, int in_fd, int out_fd, int err_fd) {
    std::vector<char*> argv;
    for (auto& s : argv_s) argv.push_back(s.data());
    argv.push_back(nullptr);

    pid_t parent = getpid();
    pid_t pid = fork();
    if (pid != 0) return pid;
    // The child must not outlive a test binary that dies.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(127);
    if (in_fd >= 0) dup2(in_fd, 0);
    if (out_fd >= 0) dup2(out_fd, 1);
    if (err_fd >= 0) dup2(err_fd, 2);
    execv(argv[0], argv.data());
    _exit(127);
}
