#pragma once
// A subscribed Q3815 with its event connection, for the event tests.

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "event_listener.h"
#include "event_record.h"
#include "module_session.h"

struct Frame {
    int result = -1;
    std::vector<IDValue_t> events;
};

// One ZEVAHV_GetEventData call, its array copied and freed.
inline Frame read_frame(int sock) {
    Frame f;
    ZEVAHV_SYSTEMSTATUS_t st;
    std::memset(&st, 0x5A, sizeof st);
    IDValue_t *ev = nullptr;
    unsigned n = 0;
    f.result = ZEVAHV_GetEventData(sock, &st, &ev, &n);
    if (f.result == 0) {
        EXPECT_EQ(st.System, 0);
        for (int b : st.Board) EXPECT_EQ(b, 0);
        f.events.assign(ev, ev + n);
    }
    ZEVAHV_FreeEventData(&ev);
    return f;
}

// True when the peer closes the connection within the time.
inline bool peer_closes(int sock, int timeout_ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    char buf[4096];
    while (std::chrono::steady_clock::now() < end) {
        pollfd p{sock, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0) continue;
        ssize_t n = ::recv(sock, buf, sizeof buf, 0);
        if (n <= 0) return true;  // frames in between are skipped
    }
    return false;
}

class SubscribedModule : public ::testing::Test {
protected:
    void SetUp() override {
        sim_ = SimProcess::start("q3815");
        ASSERT_EQ(sys_.open(ZEVAHV_SYS_Q3815, ZEVAHV_LINK_TCPIP, sim_->tcp_arg(0)), 0);
    }
    void TearDown() override {
        for (int fd : fds_) ::close(fd);
    }
    int h() const { return sys_.handle(); }
    short port() const { return static_cast<short>(listener_.port()); }

    int subscribe_channel(unsigned short ch, const char *names, unsigned count, char *res) {
        return ZEVAHV_SubscribeChannelParams(h(), port(), 0, ch, names, count, res);
    }
    int unsubscribe_channel(unsigned short ch, const char *names, unsigned count, char *res) {
        return ZEVAHV_UnSubscribeChannelParams(h(), port(), 0, ch, names, count, res);
    }
    // Accepts the polling thread's connection and checks its first text.
    int accept_events() {
        int fd = listener_.accept_one(10000);
        EXPECT_GE(fd, 0);
        if (fd < 0) return -1;
        fds_.push_back(fd);
        EXPECT_EQ(EventListener::read_ident(fd, 5000), sim_->tcp_arg(0));
        return fd;
    }
    // Reads frames until one satisfies pred (at most a few seconds' worth).
    template <class Pred>
    Frame frame_where(int fd, Pred pred, int frames = 12) {
        Frame f;
        for (int i = 0; i < frames; ++i) {
            f = read_frame(fd);
            if (f.result != 0 || pred(f)) return f;
        }
        ADD_FAILURE() << "no frame matched";
        return f;
    }

    std::unique_ptr<SimProcess> sim_;
    OpenSystem sys_;
    EventListener listener_;
    std::vector<int> fds_;
};

