// The polling service against a real client port on 127.0.0.1 and a fake
// device: what subscribe and unsubscribe answer and keep, the
// identification text and the frames on the event connection, and that a
// client that is slow to accept or does not read holds up nothing but its
// own events.
#include <sys/socket.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "frame/event_frame.h"
#include "platform/tcp.h"
#include "polling/poll_service.h"

using namespace zevahv;
using namespace zevahv::polling;
using namespace std::chrono_literals;

namespace {

// Rows of the fake device: 0 "Temp" (board), 1 "VMon" (channels 0..3),
// 2 "Cmd" (write-only: cannot be subscribed).
struct FakeDevice {
    std::atomic<int> reads{0};
    std::atomic<int> changed_reads{0};
    std::atomic<int> records_per_item{1};
    std::mutex m;
    std::vector<Item> last_items;
};

bool fake_resolve(void *device, const ItemName &name, Item *out) {
    (void)device;
    if (name.kind == ItemName::Board && name.name == "Temp") {
        *out = {0, -1};
        return true;
    }
    if (name.kind == ItemName::Channel && name.name == "VMon" && name.channel < 4) {
        *out = {1, name.channel};
        return true;
    }
    return false;
}

void fake_read(void *device, std::span<const Item> items, bool changed, Records &out) {
    auto &d = *static_cast<FakeDevice *>(device);
    ++d.reads;
    if (changed) ++d.changed_reads;
    {
        std::lock_guard<std::mutex> lk(d.m);
        d.last_items.assign(items.begin(), items.end());
    }
    for (const Item &item : items) {
        for (int k = 0; k < d.records_per_item && !out.stopping(); ++k) {
            out.add_float({.system = 7, .board = 0, .channel = item.channel,
                           .item = item.row == 0 ? "Temp" : "VMon"},
                          ZEVAHV_PARAM_TYPE_NUMERIC, float(item.row * 100 + item.channel));
        }
    }
}

constexpr Feed kFeed = {.resolve = fake_resolve, .read = fake_read};

// The client's side: a listening port and the connections it accepts.
struct Client {
    platform::ScopedSocket listener;
    unsigned short port = 0;
    explicit Client(int backlog = 4) {
        listener.reset(platform::tcp_listen("127.0.0.1", 0, backlog, &port));
        EXPECT_TRUE(listener.valid());
    }
    platform::ScopedSocket accept(int ms = 5000) {
        return platform::ScopedSocket(platform::tcp_accept(listener.get(), ms));
    }
};

bool read_exact(int fd, void *buf, std::size_t n, int ms = 5000) {
    auto *p = static_cast<unsigned char *>(buf);
    for (std::size_t got = 0; got < n;) {
        if (platform::wait_readable(fd, ms) != 1) return false;
        const long r = platform::recv_some(fd, p + got, n - got);
        if (r <= 0) return false;
        got += static_cast<std::size_t>(r);
    }
    return true;
}

std::string read_ident(int fd) {
    std::string s;
    char c;
    while (read_exact(fd, &c, 1) && c != '\0') s += c;
    return s;
}

std::vector<IDValue_t> read_frame(int fd) {
    unsigned char header[kEventHeaderSize];
    if (!read_exact(fd, header, sizeof header)) return {};
    std::uint32_t body = 0;
    EXPECT_EQ(parse_event_header(header, &body), 0);
    EXPECT_EQ(body % kEventRecordSize, 0u) << "whole records only";
    std::vector<unsigned char> bytes(body);
    if (!read_exact(fd, bytes.data(), body)) return {};
    std::vector<IDValue_t> out(body / kEventRecordSize);
    for (std::size_t i = 0; i < out.size(); ++i)
        decode_event_record({bytes.data() + i * kEventRecordSize, kEventRecordSize}, &out[i]);
    return out;
}

// True when the peer closes the connection within the wait.
bool closed_by_peer(int fd, int ms = 5000) {
    char buf[4096];
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
        if (platform::wait_readable(fd, 100) != 1) continue;
        if (platform::recv_some(fd, buf, sizeof buf) <= 0) return true;
    }
    return false;
}

template <typename F>
bool finishes_within(std::chrono::milliseconds limit, F &&f) {
    auto done = std::async(std::launch::async, std::forward<F>(f));
    return done.wait_for(limit) == std::future_status::ready;
}

constexpr const char *kThree =
    "S.Board00.Temp:S.Board00.CHAN001.VMon:S.Board00.CHAN003.VMon:S.KeepAlive:S.Board00.Cmd";

// A started service whose client subscribed the three items of kThree and
// accepted the event connection.
struct Subscribed {
    FakeDevice dev;
    PollService svc;
    Client client;
    platform::ScopedSocket conn;
    char results[5] = {9, 9, 9, 9, 9};
    explicit Subscribed(int records_per_item = 1) {
        dev.records_per_item = records_per_item;
        EXPECT_TRUE(svc.start(kFeed, &dev, "ident"));
        EXPECT_EQ(svc.subscribe(client.port, 5, kThree, results), 0);
        conn = client.accept();
        EXPECT_TRUE(conn.valid());
    }
};

}  // namespace

TEST(PollService, SubscribeConnectsSendsTheIdentificationAndThenFrames) {
    FakeDevice dev;
    PollService svc;
    ASSERT_TRUE(svc.start(kFeed, &dev, "127.0.0.1:47001_0"));
    Client client;
    char results[5] = {9, 9, 9, 9, 9};
    ASSERT_EQ(svc.subscribe(client.port, 5, kThree, results), 0);
    EXPECT_EQ(results[0], 0);
    EXPECT_EQ(results[1], 0);
    EXPECT_EQ(results[2], 0);
    EXPECT_EQ(results[3], 9) << "system items are not the device's: byte untouched";
    EXPECT_EQ(results[4], char(-1));
    EXPECT_EQ(svc.subscribed(), 3u);

    platform::ScopedSocket conn = client.accept();
    ASSERT_TRUE(conn.valid());
    EXPECT_EQ(read_ident(conn.get()), "127.0.0.1:47001_0");
    const std::vector<IDValue_t> frame = read_frame(conn.get());
    ASSERT_EQ(frame.size(), 3u);
    EXPECT_STREQ(frame[0].Item, "Temp");
    EXPECT_EQ(frame[0].ChannelIndex, -1);
    EXPECT_EQ(frame[1].ChannelIndex, 1);
    EXPECT_EQ(frame[2].ChannelIndex, 3);
    EXPECT_EQ(frame[2].SystemHandle, 7);
    float v;
    std::memcpy(&v, frame[2].Value, 4);
    EXPECT_EQ(v, 103.0f);

    // The same item again counts once; a second connection is not made.
    char again[1] = {9};
    ASSERT_EQ(svc.subscribe(client.port, 1, "S.Board00.CHAN001.VMon", again), 0);
    EXPECT_EQ(again[0], 0);
    EXPECT_EQ(svc.subscribed(), 3u);
    EXPECT_FALSE(client.accept(300).valid());
    svc.stop();
    EXPECT_TRUE(closed_by_peer(conn.get()));
}

TEST(PollService, CountMismatchAndRefusedConnectsLeaveNothingSubscribed) {
    FakeDevice dev;
    PollService svc;
    ASSERT_TRUE(svc.start(kFeed, &dev, "x"));
    Client client;
    char results[5] = {9, 9, 9, 9, 9};
    EXPECT_EQ(svc.subscribe(client.port, 4, kThree, results), ZEVAHV_ERR_INVALIDPARAMETER);
    EXPECT_EQ(std::string(results, 5), std::string(5, char(9)));
    EXPECT_EQ(svc.subscribed(), 0u);
    EXPECT_EQ(svc.unsubscribe(6, kThree, results), ZEVAHV_ERR_INVALIDPARAMETER);

    // A port where nobody listens: 28, and this call's items are taken back.
    unsigned short dead = 0;
    { Client gone; dead = gone.port; }
    EXPECT_EQ(svc.subscribe(dead, 5, kThree, results), ZEVAHV_ERR_SOCKETERROR);
    EXPECT_EQ(svc.subscribed(), 0u);

    ASSERT_EQ(svc.subscribe(client.port, 1, "S.Board00.CHAN002.VMon", results), 0);
    platform::ScopedSocket conn = client.accept();
    ASSERT_TRUE(conn.valid());
    read_ident(conn.get());
    ASSERT_EQ(read_frame(conn.get()).size(), 1u);
    std::lock_guard<std::mutex> lk(dev.m);
    ASSERT_EQ(dev.last_items.size(), 1u);
    EXPECT_EQ(dev.last_items[0], (Item{1, 2}));
}

TEST(PollService, TheLastUnsubscribeClosesAndTheNextSubscribeConnectsAfresh) {
    Subscribed s;
    ASSERT_TRUE(s.conn.valid());
    EXPECT_EQ(read_ident(s.conn.get()), "ident");
    ASSERT_EQ(read_frame(s.conn.get()).size(), 3u);

    char results[5];
    ASSERT_EQ(s.svc.unsubscribe(5, kThree, results), 0);
    EXPECT_EQ(results[0], 0);
    EXPECT_EQ(results[4], char(-1));
    EXPECT_EQ(s.svc.subscribed(), 0u);
    EXPECT_TRUE(closed_by_peer(s.conn.get()));

    ASSERT_EQ(s.svc.subscribe(s.client.port, 1, "S.Board00.Temp", results), 0);
    platform::ScopedSocket second = s.client.accept();
    ASSERT_TRUE(second.valid());
    EXPECT_EQ(read_ident(second.get()), "ident");
    EXPECT_EQ(read_frame(second.get()).size(), 1u);
    EXPECT_GE(s.dev.changed_reads.load(), 2) << "the device is told when its list changed";
}

TEST(PollService, AClientThatDoesNotReadHoldsUpNeitherCallsNorStop) {
    // Frames of about 12 MB: more than the socket buffers take.
    Subscribed s(4000);
    ASSERT_TRUE(s.conn.valid());
    FakeDevice &dev = s.dev;
    PollService &svc = s.svc;
    Client &client = s.client;
    // The client never reads: the thread's send fills the buffers and waits.
    // Wait until the reads stop coming (the thread is stuck in its send).
    int seen = -1;
    for (int i = 0; i < 100 && dev.reads.load() != seen; ++i) {
        seen = dev.reads.load();
        std::this_thread::sleep_for(3 * PollService::kCycle);
    }
    ASSERT_GE(seen, 1);

    EXPECT_TRUE(finishes_within(5s, [&] {
        char r[1];
        EXPECT_EQ(svc.unsubscribe(1, "S.Board00.Temp", r), 0);
        EXPECT_EQ(svc.subscribe(client.port, 1, "S.Board00.Temp", r), 0);
    })) << "an application call waited on the client";
    EXPECT_TRUE(finishes_within(5s, [&] { svc.stop(); })) << "stop waited on the client";
}

TEST(PollService, AClientPortSlowToAcceptHoldsUpOnlyTheSubscribeThatConnects) {
    FakeDevice dev;
    PollService svc;
    ASSERT_TRUE(svc.start(kFeed, &dev, "ident"));
    // A port whose accept queue is full: a further connect waits.
    Client busy(0);
    std::vector<platform::ScopedSocket> queued;
    for (int i = 0; i < 4; ++i)
        queued.emplace_back(platform::tcp_connect("127.0.0.1", busy.port, 200));
    if (platform::ScopedSocket probe(platform::tcp_connect("127.0.0.1", busy.port, 300));
        probe.valid())
        GTEST_SKIP() << "this system accepts beyond a full queue";

    std::atomic<bool> subscribe_done{false};
    std::thread subscriber([&] {
        char r[1];
        EXPECT_EQ(svc.subscribe(busy.port, 1, "S.Board00.Temp", r), ZEVAHV_ERR_SOCKETERROR);
        subscribe_done = true;
    });
    // Let it reach its connect, then unsubscribe meanwhile.
    std::this_thread::sleep_for(200ms);
    char r[1];
    EXPECT_EQ(svc.unsubscribe(1, "S.Board00.CHAN000.VMon", r), 0);
    EXPECT_FALSE(subscribe_done.load()) << "the unsubscribe waited for the connect";
    subscriber.join();
    EXPECT_EQ(svc.subscribed(), 0u);
}

// A client that unsubscribes everything and subscribes again on a new port
// before the thread's next cycle: the device must connect to the new port
// (not keep sending to the old connection, which nobody may read any more),
// and the old connection ends with the cycle that finds it without items.
TEST(PollService, ASubscriptionOnAnotherPortConnectsThereAtOnce) {
    FakeDevice dev;
    PollService svc;
    ASSERT_TRUE(svc.start(kFeed, &dev, "ident"));
    Client old_port, new_port;
    char results[5];
    ASSERT_EQ(svc.subscribe(old_port.port, 5, kThree, results), 0);
    platform::ScopedSocket first = old_port.accept();
    ASSERT_TRUE(first.valid());
    read_ident(first.get());
    ASSERT_EQ(read_frame(first.get()).size(), 3u);

    ASSERT_EQ(svc.unsubscribe(5, kThree, results), 0);
    ASSERT_EQ(svc.subscribe(new_port.port, 1, "S.Board00.CHAN002.VMon", results), 0);
    platform::ScopedSocket second = new_port.accept();
    ASSERT_TRUE(second.valid()) << "no connection to the port the subscription named";
    EXPECT_EQ(read_ident(second.get()), "ident");
    const std::vector<IDValue_t> frame = read_frame(second.get());
    ASSERT_EQ(frame.size(), 1u);
    EXPECT_EQ(frame[0].ChannelIndex, 2);
    EXPECT_TRUE(closed_by_peer(first.get())) << "the old port's connection outlived its items";
}

// Items left on the old port keep their connection and lose nothing while a
// new port gets the items subscribed with it; an item subscribed again with
// the new port moves there.
TEST(PollService, ItemsKeepTheirPortUntilTheyMoveOrGo) {
    FakeDevice dev;
    PollService svc;
    ASSERT_TRUE(svc.start(kFeed, &dev, "ident"));
    Client a, b;
    char r[2];
    ASSERT_EQ(svc.subscribe(a.port, 2, "S.Board00.Temp:S.Board00.CHAN001.VMon", r), 0);
    platform::ScopedSocket on_a = a.accept();
    ASSERT_TRUE(on_a.valid());
    read_ident(on_a.get());
    ASSERT_EQ(svc.subscribe(b.port, 1, "S.Board00.CHAN003.VMon", r), 0);
    platform::ScopedSocket on_b = b.accept();
    ASSERT_TRUE(on_b.valid());
    read_ident(on_b.get());

    auto channels_in = [](const std::vector<IDValue_t> &frame) {
        std::vector<int> chs;
        for (const IDValue_t &e : frame) chs.push_back(e.ChannelIndex);
        return chs;
    };
    // Frames from before the second subscribe may still be queued on a.
    std::vector<int> seen_a;
    for (int i = 0; i < 4 && seen_a != std::vector<int>{-1, 1}; ++i)
        seen_a = channels_in(read_frame(on_a.get()));
    EXPECT_EQ(seen_a, (std::vector<int>{-1, 1}));
    EXPECT_EQ(channels_in(read_frame(on_b.get())), (std::vector<int>{3}));

    // VMon of channel 1 moves to b; Temp stays on a.
    ASSERT_EQ(svc.subscribe(b.port, 1, "S.Board00.CHAN001.VMon", r), 0);
    EXPECT_EQ(svc.subscribed(), 3u);
    std::vector<int> seen_b;
    for (int i = 0; i < 4 && seen_b != std::vector<int>{1, 3}; ++i)
        seen_b = channels_in(read_frame(on_b.get()));
    EXPECT_EQ(seen_b, (std::vector<int>{1, 3}));
    for (int i = 0; i < 4 && seen_a != std::vector<int>{-1}; ++i)
        seen_a = channels_in(read_frame(on_a.get()));
    EXPECT_EQ(seen_a, (std::vector<int>{-1}));

    // A failed connect to a third port takes back what that call moved.
    unsigned short dead = 0;
    { Client gone; dead = gone.port; }
    EXPECT_EQ(svc.subscribe(dead, 1, "S.Board00.Temp", r), ZEVAHV_ERR_SOCKETERROR);
    EXPECT_EQ(svc.subscribed(), 3u);
    for (int i = 0; i < 2; ++i) EXPECT_EQ(channels_in(read_frame(on_a.get())), (std::vector<int>{-1}));

    // Unsubscribed whatever its port: a's last item goes, and so does a.
    ASSERT_EQ(svc.unsubscribe(1, "S.Board00.Temp", r), 0);
    EXPECT_TRUE(closed_by_peer(on_a.get()));
    EXPECT_EQ(channels_in(read_frame(on_b.get())), (std::vector<int>{1, 3}));
}
