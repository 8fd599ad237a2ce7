// ZEVAHV_GetEventData over real loopback connections: the frames a polling
// thread sends, broken frames, and the choice of reader by peer address.
#include <arpa/inet.h>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>
#include <algorithm>
#include <chrono>
#include <random>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "ZEVAHVLink.h"
#include "fake_family.h"
#include "frame/event_frame.h"
#include "frame/event_reader.h"
#include "platform/tcp.h"

using namespace zevahv;
using platform::ScopedSocket;

namespace {

// A connection as a client sees it: `reader` is the accepted socket the
// client hands to ZEVAHV_GetEventData, `writer` plays the polling thread.
struct Connection {
    ScopedSocket reader, writer;
};

Connection connect_from(const char *source = "127.0.0.1") {
    Connection c;
    unsigned short port = 0;
    ScopedSocket listener(platform::tcp_listen("127.0.0.1", 0, 1, &port));
    EXPECT_TRUE(listener.valid());
    int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in from{};
    from.sin_family = AF_INET;
    inet_pton(AF_INET, source, &from.sin_addr);
    EXPECT_EQ(::bind(s, reinterpret_cast<sockaddr *>(&from), sizeof from), 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    inet_pton(AF_INET, "127.0.0.1", &to.sin_addr);
    EXPECT_EQ(::connect(s, reinterpret_cast<sockaddr *>(&to), sizeof to), 0);
    c.writer.reset(s);
    c.reader.reset(platform::tcp_accept(listener.get(), 5000));
    EXPECT_TRUE(c.reader.valid());
    return c;
}

void send_bytes(const Connection &c, const std::vector<unsigned char> &bytes) {
    ASSERT_EQ(platform::send_all(c.writer.get(), bytes.data(), bytes.size()), (long)bytes.size());
}

std::vector<unsigned char> frame_bytes(const char *magic, std::uint32_t total,
                                       const std::vector<unsigned char> &body) {
    std::vector<unsigned char> f(10 + body.size());
    std::memcpy(f.data(), magic, 6);
    f[6] = total >> 24;
    f[7] = total >> 16;
    f[8] = total >> 8;
    f[9] = total;
    if (!body.empty()) std::memcpy(f.data() + 10, body.data(), body.size());
    return f;
}

std::vector<unsigned char> records_body(const std::vector<IDValue_t> &records, int type_code) {
    std::vector<unsigned char> body(records.size() * sizeof(IDValue_t));
    for (std::size_t i = 0; i < records.size(); ++i)
        encode_event_record(records[i], type_code, body.data() + i * sizeof(IDValue_t));
    return body;
}

IDValue_t vmon(int channel, float value) {
    IDValue_t r{};
    r.SystemHandle = 4;
    r.BoardIndex = 0;
    r.ChannelIndex = channel;
    std::strcpy(r.Item, "VMon");
    std::memcpy(r.Value, &value, 4);
    return r;
}

struct Read {
    int code;
    std::vector<IDValue_t> events;
    bool null_array;
    ZEVAHV_SYSTEMSTATUS_t status;
};

Read read_frame(const Connection &c) {
    Read r{};
    std::memset(&r.status, 0x55, sizeof r.status);
    IDValue_t *events = reinterpret_cast<IDValue_t *>(&r);  // must be overwritten
    unsigned count = 12345;
    r.code = ZEVAHV_GetEventData(c.reader.get(), &r.status, &events, &count);
    r.null_array = events == nullptr;
    if (r.code == 0 && events) r.events.assign(events, events + count);
    if (r.code == 0) {
        EXPECT_EQ(r.events.size(), count);
    }
    ZEVAHV_FreeEventData(&events);
    EXPECT_EQ(events, nullptr);
    return r;
}

class EventReader : public ::testing::Test {
protected:
    // An open system of a family that polls locally, so that frames from
    // 127.0.0.1 are read.
    FakeFamilies fam{{6}, &kFullOps};
    void SetUp() override {
        int h = -1;
        ASSERT_EQ(ZEVAHV_InitSystem(6, 0, const_cast<char *>("10.0.0.1"), nullptr, nullptr, &h), 0);
    }
};

}  // namespace

TEST_F(EventReader, TwoRecordsFromABodyOf2120Bytes) {
    Connection c = connect_from();
    send_bytes(c, frame_bytes("ZEVAHV", 10 + 2120, records_body({vmon(1, 10.5f), vmon(3, -2.0f)}, 0)));
    Read r = read_frame(c);
    ASSERT_EQ(r.code, 0);
    ASSERT_EQ(r.events.size(), 2u);
    float v;
    std::memcpy(&v, r.events[1].Value, 4);
    EXPECT_EQ(v, -2.0f);
    EXPECT_EQ(r.events[0].ChannelIndex, 1);
    EXPECT_EQ(r.events[0].SystemHandle, 4);
    EXPECT_EQ(r.events[0].Type, 0);
    EXPECT_STREQ(r.events[1].Item, "VMon");
    EXPECT_EQ(r.status.System, 0);
    for (int b : r.status.Board) EXPECT_EQ(b, 0);
}

TEST_F(EventReader, FramesThatHaveArrivedComeInOneCallAndPartRecordsAreDropped) {
    Connection c = connect_from();
    std::vector<unsigned char> bytes = frame_bytes("ZEVAHV", 10 + 1000, std::vector<unsigned char>(1000, 0x33));
    std::vector<unsigned char> one = records_body({vmon(0, 1.0f)}, 0);
    one.resize(one.size() + 500, 0x44);  // one record and half of another
    auto second = frame_bytes("ZEVAHV", 10 + (std::uint32_t)one.size(), one);
    auto third = frame_bytes("ZEVAHV", 10 + 1060, records_body({vmon(2, 3.0f)}, 0));
    bytes.insert(bytes.end(), second.begin(), second.end());
    bytes.insert(bytes.end(), third.begin(), third.end());
    send_bytes(c, bytes);

    // However the bytes arrive, the records come once each and in order.
    std::vector<IDValue_t> got;
    while (got.size() < 2) {
        Read r = read_frame(c);
        ASSERT_EQ(r.code, 0);
        got.insert(got.end(), r.events.begin(), r.events.end());
    }
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].ChannelIndex, 0);
    EXPECT_EQ(got[1].ChannelIndex, 2);
    pollfd p{c.reader.get(), POLLIN, 0};
    EXPECT_EQ(::poll(&p, 1, 0), 0) << "nothing may be left behind";
}

// A writer that sends frames of many sizes (none, one, sixteen records, a
// part record, one larger than a single receive) in pieces of random size
// with pauses, so that pieces end anywhere: inside a header, inside a
// record, between frames.  A client that waits with poll() before each call
// (as a client with many connections does) gets every record exactly once,
// in order: nothing is held back where poll() cannot see it.
TEST_F(EventReader, EveryRecordOnceWhateverThePiecesAndAPollingClientSeesThemAll) {
    Connection c = connect_from();
    std::vector<unsigned char> stream;
    std::vector<int> sent;  // channel numbers, in order
    int next = 0;
    for (int records : {1, 0, 16, 1, 70, 2, 1, 115, 0, 3, 1, 1, 1, 16}) {
        std::vector<IDValue_t> list;
        for (int k = 0; k < records; ++k) {
            list.push_back(vmon(next, static_cast<float>(next)));
            sent.push_back(next++);
        }
        std::vector<unsigned char> body = records_body(list, 0);
        if (records == 3) body.resize(body.size() + 700, 0x5A);  // a part record
        auto f = frame_bytes("ZEVAHV", 10 + static_cast<std::uint32_t>(body.size()), body);
        stream.insert(stream.end(), f.begin(), f.end());
    }
    std::thread writer([&] {
        std::mt19937 rng(7);
        std::size_t at = 0;
        while (at < stream.size()) {
            const std::size_t n = std::min<std::size_t>(stream.size() - at, 1 + rng() % 9000);
            send_bytes(c, std::vector<unsigned char>(stream.begin() + at, stream.begin() + at + n));
            at += n;
            if (rng() % 3 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(rng() % 5));
        }
    });
    std::vector<int> got;
    while (got.size() < sent.size()) {
        pollfd p{c.reader.get(), POLLIN, 0};
        if (::poll(&p, 1, 5000) != 1) break;  // a record held back: the test fails below
        Read r = read_frame(c);
        ASSERT_EQ(r.code, 0);
        for (const IDValue_t &e : r.events) {
            float v;
            std::memcpy(&v, e.Value, 4);
            EXPECT_EQ(v, static_cast<float>(e.ChannelIndex));
            got.push_back(e.ChannelIndex);
        }
    }
    writer.join();
    EXPECT_EQ(got, sent);
}

// After every call the socket stands at the start of a frame: a client may
// still look at it (or read an identification text) between calls.
TEST_F(EventReader, NothingPastTheFramesHandedOutIsTaken) {
    Connection c = connect_from();
    auto one = frame_bytes("ZEVAHV", 10 + 1060, records_body({vmon(1, 1.0f)}, 0));
    send_bytes(c, one);
    ASSERT_EQ(read_frame(c).events.size(), 1u);
    // The next frame comes in two pieces; the reader waits for its rest and
    // reads it to its end, not into the one behind it.
    auto two = frame_bytes("ZEVAHV", 10 + 1060, records_body({vmon(2, 2.0f)}, 0));
    auto three = frame_bytes("ZEVAHV", 10 + 1060, records_body({vmon(3, 3.0f)}, 0));
    send_bytes(c, std::vector<unsigned char>(two.begin(), two.begin() + 600));
    std::thread rest([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        send_bytes(c, std::vector<unsigned char>(two.begin() + 600, two.end()));
    });
    Read r = read_frame(c);
    rest.join();
    ASSERT_EQ(r.code, 0);
    ASSERT_EQ(r.events.size(), 1u);
    EXPECT_EQ(r.events[0].ChannelIndex, 2);
    send_bytes(c, three);
    char head[6];
    ASSERT_EQ(::recv(c.reader.get(), head, sizeof head, MSG_PEEK | MSG_WAITALL), 6);
    EXPECT_EQ(std::string(head, 6), "ZEVAHV");
    EXPECT_EQ(read_frame(c).events.at(0).ChannelIndex, 3);
}

// A descriptor that is closed and given to a new connection starts afresh:
// what the old one left half-read never shows up on the new one.
TEST_F(EventReader, AReusedDescriptorNeverSeesTheOldConnectionsBytes) {
    Connection a = connect_from();
    const int fd = a.reader.get();
    auto whole = frame_bytes("ZEVAHV", 10 + 1060, records_body({vmon(7, 7.0f)}, 0));
    auto half = frame_bytes("ZEVAHV", 10 + 2120, records_body({vmon(8, 8.0f), vmon(9, 9.0f)}, 0));
    half.resize(1500);
    whole.insert(whole.end(), half.begin(), half.end());
    send_bytes(a, whole);
    a.writer.reset();  // the peer goes away with its second frame half sent
    Read r = read_frame(a);
    ASSERT_EQ(r.code, 0);  // the whole frame still comes
    ASSERT_EQ(r.events.size(), 1u);
    EXPECT_EQ(r.events[0].ChannelIndex, 7);
    EXPECT_EQ(read_frame(a).code, ZEVAHV_ERR_SOCKETERROR);
    a.reader.reset();

    // The next connection gets the same descriptor number.
    Connection b = connect_from();
    if (b.reader.get() != fd) {
        ASSERT_EQ(::dup2(b.reader.get(), fd), fd);
        b.reader.reset(fd);
    }
    send_bytes(b, frame_bytes("ZEVAHV", 10 + 1060, records_body({vmon(4, 4.0f)}, 0)));
    r = read_frame(b);
    ASSERT_EQ(r.code, 0);
    ASSERT_EQ(r.events.size(), 1u);
    EXPECT_EQ(r.events[0].ChannelIndex, 4);
}

TEST_F(EventReader, WrongHeadersAreRefused) {
    {
        Connection c = connect_from();
        send_bytes(c, frame_bytes("ZEVAHX", 10 + 1060, records_body({vmon(0, 1.0f)}, 0)));
        EXPECT_EQ(read_frame(c).code, ZEVAHV_ERR_COMMUNICATIONERROR);
    }
    {
        Connection c = connect_from();
        send_bytes(c, frame_bytes("ZEVAHV", 5, {}));
        EXPECT_EQ(read_frame(c).code, ZEVAHV_ERR_COMMUNICATIONERROR);
    }
    {
        // Announces 2 GiB: refused without trying to allocate or read it.
        Connection c = connect_from();
        send_bytes(c, frame_bytes("ZEVAHV", 0x80000000u, std::vector<unsigned char>(64, 1)));
        EXPECT_EQ(read_frame(c).code, ZEVAHV_ERR_COMMUNICATIONERROR);
    }
}

TEST_F(EventReader, PeerClosingMidFrameIsASocketError) {
    {
        Connection c = connect_from();
        auto f = frame_bytes("ZEVAHV", 10 + 2120, records_body({vmon(0, 1.0f), vmon(1, 2.0f)}, 0));
        f.resize(10 + 1500);
        send_bytes(c, f);
        c.writer.reset();
        EXPECT_EQ(read_frame(c).code, ZEVAHV_ERR_SOCKETERROR);
    }
    {
        Connection c = connect_from();
        send_bytes(c, {'Z', 'E', 'V'});
        c.writer.reset();
        EXPECT_EQ(read_frame(c).code, ZEVAHV_ERR_SOCKETERROR);
    }
    {
        Connection c = connect_from();
        c.writer.reset();
        EXPECT_EQ(read_frame(c).code, ZEVAHV_ERR_SOCKETERROR);
    }
}

TEST_F(EventReader, TheCallersSocketKeepsItsOptions) {
    // A client that set its own receive time-out (or none) finds it as it was.
    for (long seconds : {0L, 7L}) {
        Connection c = connect_from();
        timeval want{seconds, 0};
        ASSERT_EQ(::setsockopt(c.reader.get(), SOL_SOCKET, SO_RCVTIMEO, &want, sizeof want), 0);
        send_bytes(c, frame_bytes("ZEVAHV", 10 + 1060, records_body({vmon(0, 1.0f)}, 0)));
        ASSERT_EQ(read_frame(c).code, 0);
        timeval got{-1, -1};
        socklen_t len = sizeof got;
        ASSERT_EQ(::getsockopt(c.reader.get(), SOL_SOCKET, SO_RCVTIMEO, &got, &len), 0);
        EXPECT_EQ(got.tv_sec, seconds);
        EXPECT_EQ(got.tv_usec, 0);
    }
}

TEST_F(EventReader, APeerThatStallsMidFrameEndsTheReadAfterTheWait) {
    Connection c = connect_from();
    auto f = frame_bytes("ZEVAHV", 10 + 1060, records_body({vmon(0, 1.0f)}, 0));
    f.resize(10 + 100);
    send_bytes(c, f);  // and then nothing, the connection still open
    IDValue_t *events = nullptr;
    unsigned count = 0;
    EXPECT_EQ(read_local_event_frame(c.reader.get(), 100, &events, &count),
              ZEVAHV_ERR_SOCKETERROR);
    EXPECT_EQ(events, nullptr);
}

TEST_F(EventReader, NothingWithinTheWaitIsNoData) {
    Connection c = connect_from();
    IDValue_t *events = nullptr;
    unsigned count = 0;
    EXPECT_EQ(read_local_event_frame(c.reader.get(), 20, &events, &count), ZEVAHV_ERR_NODATA);
    EXPECT_EQ(events, nullptr);
}

TEST_F(EventReader, NullOutputsAndUnconnectedSockets) {
    Connection c = connect_from();
    ZEVAHV_SYSTEMSTATUS_t st;
    IDValue_t *events = nullptr;
    unsigned count = 0;
    EXPECT_EQ(ZEVAHV_GetEventData(c.reader.get(), nullptr, &events, &count), ZEVAHV_ERR_INVALIDPARAMETER);
    EXPECT_EQ(ZEVAHV_GetEventData(c.reader.get(), &st, nullptr, &count), ZEVAHV_ERR_INVALIDPARAMETER);
    EXPECT_EQ(ZEVAHV_GetEventData(c.reader.get(), &st, &events, nullptr), ZEVAHV_ERR_INVALIDPARAMETER);
    EXPECT_EQ(ZEVAHV_GetEventData(-1, &st, &events, &count), ZEVAHV_ERR_READ);
    int plain = ::socket(AF_INET, SOCK_STREAM, 0);
    EXPECT_EQ(ZEVAHV_GetEventData(plain, &st, &events, &count), ZEVAHV_ERR_READ);
    ::close(plain);
}

TEST(EventReaderPeers, LoopbackFramesNeedAPollingDevice) {
    FakeFamilies fam({}, nullptr);
    fam.add(6, &kBareOps, &kSilentTraits);  // a family that does not poll
    int h = -1;
    ASSERT_EQ(ZEVAHV_InitSystem(6, 0, const_cast<char *>("10.0.0.1"), nullptr, nullptr, &h), 0);
    Connection c = connect_from();
    send_bytes(c, frame_bytes("ZEVAHV", 10 + 1060, records_body({vmon(0, 1.0f)}, 0)));
    EXPECT_EQ(read_frame(c).code, ZEVAHV_ERR_FUNCTIONNOTAVAILABLE);
}

TEST(EventReaderPeers, OtherPeersGoToTheMainframeOpenedAtThatHost) {
    FakeFamilies fam({2, 0}, &kFullOps);
    fam.add(6, &kFullOps);
    int module = -1, other = -1, mainframe = -1;
    ASSERT_EQ(ZEVAHV_InitSystem(6, 0, const_cast<char *>("127.0.0.2"), nullptr, nullptr, &module), 0);
    ASSERT_EQ(ZEVAHV_InitSystem(2, 0, const_cast<char *>("10.9.9.9"), nullptr, nullptr, &other), 0);
    {
        Connection c = connect_from("127.0.0.2");
        EXPECT_EQ(read_frame(c).code, ZEVAHV_ERR_FUNCTIONNOTAVAILABLE)
            << "a module at that address does not make it a mainframe";
    }
    // The port suffix is not part of the host.
    ASSERT_EQ(ZEVAHV_InitSystem(2, 0, const_cast<char *>("127.0.0.2:47001"), nullptr, nullptr, &mainframe), 0);
    Connection c = connect_from("127.0.0.2");
    send_bytes(c, {0});  // a frame begins (the fake reader takes none of it)
    Read r = read_frame(c);
    ASSERT_EQ(r.code, 0);
    ASSERT_EQ(r.events.size(), 1u);
    EXPECT_EQ(r.events[0].SystemHandle, mainframe);
    EXPECT_EQ(r.status.System, 1);

    // The legacy reader only serves the legacy family.
    char *legacy = nullptr;
    int n = 0;
    EXPECT_EQ(ZEVAHVGetEventData(c.reader.get(), &legacy, &n), ZEVAHV_ERR_FUNCTIONNOTAVAILABLE);
    EXPECT_EQ(ZEVAHVGetEventData(c.reader.get(), nullptr, &n), ZEVAHV_ERR_INVALIDPARAMETER);
}

TEST(EventRelease, FreeAcceptsNullAndTheLegacyNameIsTheSameEntry) {
    EXPECT_EQ(ZEVAHV_FreeEventData(nullptr), 0);
    IDValue_t *none = nullptr;
    EXPECT_EQ(ZEVAHV_FreeEventData(&none), 0);
    IDValue_t *some = static_cast<IDValue_t *>(std::malloc(sizeof(IDValue_t)));
    EXPECT_EQ(ZEVAHVFreeEventData(&some), 0);
    EXPECT_EQ(some, nullptr);
    EXPECT_EQ(reinterpret_cast<void *>(&ZEVAHVFreeEventData),
              reinterpret_cast<void *>(&ZEVAHV_FreeEventData));
}
