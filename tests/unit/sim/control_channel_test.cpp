// A simulator as an operator runs it: with its input closed, as a background
// job of a terminal, or under a service manager, it keeps serving and can
// still be driven through its control socket or port.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#include "sim_process.h"
#include "wire_client.h"

namespace {

const std::string kName = "$BD:00,CMD:MON,PAR:BDNAME";

// A private folder for socket paths, removed with everything in it.
struct TempDir {
    std::string path;
    TempDir() {
        char tmpl[] = "/tmp/zevahv-ctl-XXXXXX";
        path = mkdtemp(tmpl);
    }
    ~TempDir() { std::system(("rm -rf " + path).c_str()); }
};

int run_quietly(const std::string& args) {
    int rc = std::system((std::string(SimProcess::binary_path()) + " " + args +
                          " </dev/null >/dev/null 2>&1").c_str());
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

char process_state(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string all;
    std::getline(in, all);
    auto close_paren = all.rfind(')');
    return close_paren == std::string::npos || close_paren + 2 >= all.size() ? '?'
                                                                               : all[close_paren + 2];
}

} // namespace

TEST(ControlChannel, WithoutInputTheSimulatorServesAndTheControlPortDrivesIt) {
    for (auto input : {SimProcess::Input::Closed, SimProcess::Input::DevNull}) {
        auto sim = SimProcess::start("q3815", {}, input);
        ASSERT_GT(sim->control_port(), 0);
        auto wire = WireClient::tcp(sim->port());
        ASSERT_TRUE(wire);
        EXPECT_EQ(*wire->ask(kName), "#BD:00,CMD:OK,VAL:Q3815");
        EXPECT_EQ(sim->control("set 0 VSET 1 250"), "OK");
        EXPECT_EQ(*wire->ask("$BD:00,CMD:MON,CH:1,PAR:VSET"), "#BD:00,CMD:OK,VAL:0250.0");
        EXPECT_EQ(sim->control("count"), "OK 2");
        EXPECT_FALSE(sim->exited_within(50)) << "the end of its input ended it";
    }
}

TEST(ControlChannel, TheEndOfAPipeEndsNothing) {
    auto sim = SimProcess::start("p731x", {"--control", "127.0.0.1:0"});
    EXPECT_EQ(sim->control("get 0 FGAIN 0"), "OK 128"); // through the pipe
    sim->close_input();
    EXPECT_EQ(sim->control("set 0 FGAIN 0 7"), "OK"); // through the port
    auto wire = WireClient::tcp(sim->port());
    ASSERT_TRUE(wire);
    EXPECT_EQ(*wire->ask("$BD:00,CMD:MON,CH:0,PAR:FGAIN"), "#BD:00,CMD:OK,VAL:007");
    EXPECT_FALSE(sim->exited_within(50));
}

TEST(ControlChannel, LocalSocketServesClientsApartAndLeavesWithTheSimulator) {
    TempDir dir;
    const std::string path = dir.path + "/sim.ctl";
    // A socket file left behind by a simulator that was killed is replaced.
    {
        int s = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        path.copy(a.sun_path, path.size());
        ASSERT_EQ(bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
        close(s);
    }
    auto sim = SimProcess::start("q2904", {"--control", path}, SimProcess::Input::DevNull);
    EXPECT_EQ(sim->control_address(), "local " + path);
    auto a = WireClient::local(path);
    auto b = WireClient::local(path);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(*a->ask("set 0 THR 2 1234"), "OK");
    EXPECT_EQ(*b->ask("get 0 THR 2"), "OK 1234");
    EXPECT_EQ(a->ask("nonsense")->substr(0, 3), "ERR");
    EXPECT_EQ(b->ask(std::string(5000, 'x'))->substr(0, 3), "ERR"); // bounded, answered
    EXPECT_EQ(*b->ask("count"), "OK 0");
    // A second simulator may not take a live socket over.
    EXPECT_EQ(run_quietly("q2904 --control " + path), 2);
    EXPECT_EQ(*a->ask("get 0 THR 2"), "OK 1234");

    sim.reset(); // SIGTERM
    struct stat st{};
    EXPECT_NE(lstat(path.c_str(), &st), 0) << "the socket path outlived its simulator";

    // Something else at the path is never removed.
    std::ofstream(path) << "keep me";
    EXPECT_EQ(run_quietly("q2904 --control " + path), 2);
    EXPECT_EQ(lstat(path.c_str(), &st), 0);
}

TEST(ControlChannel, QuitOverASocketAnswersThenEnds) {
    auto sim = SimProcess::start("q2906", {}, SimProcess::Input::Closed);
    auto c = WireClient::tcp(sim->control_port());
    ASSERT_TRUE(c);
    EXPECT_EQ(*c->ask("quit"), "OK");
    int status = -1;
    ASSERT_TRUE(sim->exited_within(5000, &status));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST(ControlChannel, BadControlAddressesAreRefusedBeforeAnythingIsBound) {
    for (const char* bad : {"--control", "--control localhost:0", "--control 10.0.0.1:4000",
                            "--control 127.0.0.1:70000", "--control 127.0.0.1", "--control tmp/",
                            "--control /nonexistent-folder/sim.ctl"})
        EXPECT_EQ(run_quietly(std::string("q3815 ") + bad), 2) << bad;
}

// A shell's background job: a stand-in shell leads a new session on a
// pseudo-terminal and keeps its foreground; the simulator runs in a process
// group of its own with the terminal as stdin, stdout and stderr, as
// "zevahv-sim q3815 &" does. Reading its terminal from there would stop it.
TEST(ControlChannel, BackgroundJobOfATerminalKeepsServingAndTakesTheTerminalInTheForeground) {
    int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    char slave[128];
    ASSERT_EQ(ptsname_r(master, slave, sizeof slave), 0);
    int report[2], go[2];
    ASSERT_EQ(pipe2(report, O_CLOEXEC), 0);
    ASSERT_EQ(pipe2(go, O_CLOEXEC), 0);
    std::string bin = SimProcess::binary_path();
    char* argv[] = {bin.data(), const_cast<char*>("q3815"), nullptr};

    pid_t parent = getpid();
    pid_t shell = fork();
    ASSERT_GE(shell, 0);
    if (shell == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) _exit(127);
        setsid();
        int tty = open(slave, O_RDWR); // the session's controlling terminal
        if (tty < 0 || ioctl(tty, TIOCSCTTY, 0) != 0) _exit(126);
        termios t{};
        tcgetattr(tty, &t);
        t.c_lflag &= ~static_cast<tcflag_t>(ECHO); // what is typed is not echoed back
        tcsetattr(tty, TCSANOW, &t);
        pid_t shell_pid = getpid();
        pid_t job = fork();
        if (job == 0) {
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (getppid() != shell_pid) _exit(127);
            setpgid(0, 0);
            dup2(tty, 0);
            dup2(tty, 1);
            dup2(tty, 2);
            execv(argv[0], argv);
            _exit(127);
        }
        setpgid(job, job);
        (void)!write(report[1], &job, sizeof job);
        char byte;
        if (read(go[0], &byte, 1) == 1) { // "fg"
            signal(SIGTTOU, SIG_IGN);
            tcsetpgrp(tty, job);
            kill(job, SIGCONT);
        }
        int st;
        waitpid(job, &st, 0);
        _exit(0);
    }
    close(report[1]);
    close(go[0]);
    pid_t job = -1;
    ASSERT_EQ(read(report[0], &job, sizeof job), static_cast<ssize_t>(sizeof job));
    struct Reaper {
        pid_t job, shell;
        int go;
        ~Reaper() {
            kill(job, SIGKILL);
            close(go); // the shell stops waiting for "fg" and reaps the job
            waitpid(shell, nullptr, 0);
        }
    } reaper{job, shell, go[1]};

    WireClient term = WireClient::adopt(master);
    auto ready = term.read_line(10000);
    ASSERT_TRUE(ready);
    ASSERT_EQ(ready->rfind("READY tcp 127.0.0.1 ", 0), 0u) << *ready;
    int port = std::atoi(ready->c_str() + ready->rfind(' ') + 1);

    // Typed while the job is in the background: it stays with the terminal.
    ASSERT_TRUE(term.send("count\n"));
    auto wire = WireClient::tcp(port);
    ASSERT_TRUE(wire);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(*wire->ask(kName), "#BD:00,CMD:OK,VAL:Q3815");
    EXPECT_NE(process_state(job), 'T') << "stopped by its terminal";
    EXPECT_FALSE(term.read_line(100)) << "answered a line it should not have read";

    // "fg": now the typed line is the simulator's, and so is the next one.
    ASSERT_EQ(write(go[1], "g", 1), 1);
    auto answer = term.read_line(10000);
    ASSERT_TRUE(answer);
    EXPECT_EQ(*answer, "OK 3\r\n");
    ASSERT_TRUE(term.send("get 0 BDNAME -1\n"));
    answer = term.read_line(10000);
    ASSERT_TRUE(answer);
    EXPECT_EQ(*answer, "OK Q3815\r\n");
    EXPECT_EQ(*wire->ask(kName), "#BD:00,CMD:OK,VAL:Q3815");
}
