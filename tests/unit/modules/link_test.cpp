// The module link over a real loopback socket, against a scripted peer:
// replies in pieces, too long, without line end, silence, a peer that hangs
// up in the middle of a line.  After each fault the next exchange must work.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "modules/link.h"
#include "platform/tcp.h"

using namespace zevahv;
using namespace zevahv::modules;

namespace {

// How the peer answers one command line.
struct Step {
    std::vector<std::string> pieces;  // sent one after the other
    int gap_ms = 0;                   // pause between pieces
    bool hang_up = false;             // close the connection after the pieces
};

class ScriptedPeer {
public:
    explicit ScriptedPeer(std::vector<Step> steps) : steps_(std::move(steps)) {
        listen_ = platform::tcp_listen("127.0.0.1", 0, 4, &port_);
        thread_ = std::thread([this] { run(); });
    }
    ~ScriptedPeer() {
        done_ = true;
        thread_.join();
        platform::close_socket(listen_);
    }
    unsigned short port() const { return port_; }
    std::vector<std::string> received() {
        std::lock_guard<std::mutex> g(m_);
        return received_;
    }

private:
    void run() {
        std::size_t step = 0;
        while (!done_ && step < steps_.size()) {
            int s = platform::tcp_accept(listen_, 100);
            if (s < 0) continue;
            std::string line;
            while (!done_ && step < steps_.size()) {
                if (platform::wait_readable(s, 100) != 1) continue;
                char c;
                if (platform::recv_some(s, &c, 1) <= 0) break;
                line += c;
                if (c != '\n') continue;
                {
                    std::lock_guard<std::mutex> g(m_);
                    received_.push_back(line);
                }
                line.clear();
                const Step &st = steps_[step++];
                for (std::size_t i = 0; i < st.pieces.size(); ++i) {
                    if (i && st.gap_ms) std::this_thread::sleep_for(std::chrono::milliseconds(st.gap_ms));
                    platform::send_all(s, st.pieces[i].data(), st.pieces[i].size());
                }
                if (st.hang_up) break;
            }
            platform::close_socket(s);
        }
        // Stay until the test is done, so the link never sees a refused connect.
        while (!done_) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }

    std::vector<Step> steps_;
    int listen_ = -1;
    unsigned short port_ = 0;
    std::thread thread_;
    std::atomic<bool> done_{false};
    std::mutex m_;
    std::vector<std::string> received_;
};

std::shared_ptr<Link> connect(unsigned short port) {
    LinkArgs a;
    a.serial = false;
    a.host = "127.0.0.1";
    a.port_name = "127.0.0.1:" + std::to_string(port);
    a.tcp_port = port;
    return Link::open(a);
}

const std::string kOk = "#BD:00,CMD:OK,VAL:1\r\n";

}  // namespace

TEST(ModuleLink, ReplyInPiecesIsReadUpToItsLineEnd) {
    ScriptedPeer peer({{{"#BD:00,CMD:", "OK,VAL:", "12.5\r\n"}, 50}});
    auto link = connect(peer.port());
    ASSERT_TRUE(link);
    std::string reply;
    ASSERT_EQ(link->exchange("$BD:00,CMD:MON,CH:0,PAR:VMON\r\n", &reply), 0);
    EXPECT_EQ(reply, "#BD:00,CMD:OK,VAL:12.5\r\n");
    EXPECT_EQ(peer.received().at(0), "$BD:00,CMD:MON,CH:0,PAR:VMON\r\n");
}

TEST(ModuleLink, FaultyRepliesGiveResultCodesAndTheNextExchangeWorks) {
    std::string huge(3000, 'Z');
    ScriptedPeer peer({
        {{huge + "\r\n"}},                       // longer than the reply buffer
        {{kOk}},
        {{"#BD:00,CMD:OK,VAL:5"}},               // no line end, then silence
        {{kOk}},
        {{}},                                    // nothing at all
        {{kOk}},
        {{std::string(5000, 'Q')}},              // long and endless
        {{kOk}},
    });
    auto link = connect(peer.port());
    ASSERT_TRUE(link);
    std::string reply;
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(link->exchange("A\r\n", &reply), 29);
    EXPECT_LE(reply.size(), 1023u);
    EXPECT_EQ(link->exchange("B\r\n", &reply), 0);
    EXPECT_EQ(reply, kOk);
    EXPECT_EQ(link->exchange("C\r\n", &reply), 29);
    EXPECT_EQ(link->exchange("D\r\n", &reply), 0);
    EXPECT_EQ(reply, kOk);
    EXPECT_EQ(link->exchange("E\r\n", &reply), 29);
    EXPECT_EQ(link->exchange("F\r\n", &reply), 0);
    EXPECT_EQ(reply, kOk);
    EXPECT_EQ(link->exchange("G\r\n", &reply), 29);
    EXPECT_EQ(link->exchange("H\r\n", &reply), 0);
    EXPECT_EQ(reply, kOk);
    // Three silent waits of about a second each; generous bound.
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(30));
}

TEST(ModuleLink, PeerThatHangsUpMidLineIsReconnected) {
    ScriptedPeer peer({
        {{"#BD:00,CMD:O"}, 0, true},
        {{kOk}},
    });
    auto link = connect(peer.port());
    ASSERT_TRUE(link);
    std::string reply;
    EXPECT_EQ(link->exchange("A\r\n", &reply), 29);
    EXPECT_EQ(link->exchange("B\r\n", &reply), 0);
    EXPECT_EQ(reply, kOk);
    EXPECT_EQ(peer.received().size(), 2u);
}

TEST(ModuleLink, ConnectToNothingFails) {
    // A port that was just free: bind, note it, close.
    unsigned short port = 0;
    int s = platform::tcp_listen("127.0.0.1", 0, 1, &port);
    platform::close_socket(s);
    EXPECT_FALSE(connect(port));
}
