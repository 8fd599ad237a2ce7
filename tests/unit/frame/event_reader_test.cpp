// ZEVAHV_GetEventData over real loopback connections: the frames a polling
// thread sends, broken frames, and the choice of reader by peer address.
#include <arpa/inet.h>
#include <cstring>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>
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

TEST_F(EventReader, PartRecordsAreDroppedAndTheStreamStaysOnFrames) {
    Connection c = connect_from();
    std::vector<unsigned char> bytes = frame_bytes("ZEVAHV", 10 + 1000, std::vector<unsigned char>(1000, 0x33));
    std::vector<unsigned char> one = records_body({vmon(0, 1.0f)}, 0);
    one.resize(one.size() + 500, 0x44);  // one record and half of another
    auto second = frame_bytes("ZEVAHV", 10 + (std::uint32_t)one.size(), one);
    auto third = frame_bytes("ZEVAHV", 10 + 1060, records_body({vmon(2, 3.0f)}, 0));
    bytes.insert(bytes.end(), second.begin(), second.end());
    bytes.insert(bytes.end(), third.begin(), third.end());
    send_bytes(c, bytes);

    Read r = read_frame(c);
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.events.empty());
    EXPECT_TRUE(r.null_array);
    r = read_frame(c);
    ASSERT_EQ(r.code, 0);
    ASSERT_EQ(r.events.size(), 1u);
    EXPECT_EQ(r.events[0].ChannelIndex, 0);
    r = read_frame(c);
    ASSERT_EQ(r.code, 0);
    ASSERT_EQ(r.events.size(), 1u);
    EXPECT_EQ(r.events[0].ChannelIndex, 2);
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
