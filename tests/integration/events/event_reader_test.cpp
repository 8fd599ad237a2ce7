// Frames from the local host as the event reader sees them, written by the
// test itself on a loopback connection while a polling device is open.
#include <arpa/inet.h>
#include <netinet/in.h>

#include "event_session.h"

namespace {

std::string header(const char magic[6], std::uint32_t total) {
    std::string h(magic, 6);
    std::uint32_t be = htonl(total);
    h.append(reinterpret_cast<const char *>(&be), 4);
    return h;
}

IDValue_t record(int type, int ch, const char *item) {
    IDValue_t r;
    std::memset(&r, 0, sizeof r);
    r.Type = type;
    r.SystemHandle = 0;
    r.BoardIndex = 0;
    r.ChannelIndex = ch;
    std::strncpy(r.Item, item, sizeof r.Item - 1);
    return r;
}

int connect_to(unsigned short port) {
    int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(s, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0) {
        ::close(s);
        return -1;
    }
    return s;
}

void send_bytes(int s, const std::string &b) {
    ASSERT_EQ(::send(s, b.data(), b.size(), MSG_NOSIGNAL), static_cast<ssize_t>(b.size()));
}

}  // namespace

TEST_F(SubscribedModule, ReaderTakesWholeRecordsAndCopiesByType) {
    int writer = connect_to(listener_.port());
    ASSERT_GE(writer, 0);
    fds_.push_back(writer);
    int reader = listener_.accept_one(5000);
    ASSERT_GE(reader, 0);
    fds_.push_back(reader);

    // Two records in a body of 2120 bytes: a float and a text.
    IDValue_t a = record(0, 1, "VMon");
    float v = 12.5f;
    std::memcpy(a.Value, &v, 4);
    IDValue_t b = record(5, -1, "Name");
    std::memset(b.Value, 'n', sizeof b.Value);  // no terminator on the wire
    std::string frame = header("ZEVAHV", 10 + 2120);
    frame.append(reinterpret_cast<const char *>(&a), sizeof a);
    frame.append(reinterpret_cast<const char *>(&b), sizeof b);
    send_bytes(writer, frame);
    Frame f = read_frame(reader);
    ASSERT_EQ(f.result, 0);
    ASSERT_EQ(f.events.size(), 2u);
    EXPECT_EQ(f.events[0].Type, 0);
    EXPECT_EQ(record_float(f.events[0]), 12.5f);
    EXPECT_EQ(f.events[0].ChannelIndex, 1);
    EXPECT_EQ(f.events[1].Type, 0);
    EXPECT_LT(strnlen(f.events[1].Value, sizeof f.events[1].Value), sizeof f.events[1].Value);

    // A body too short for one record: no events, still a good frame.
    send_bytes(writer, header("ZEVAHV", 10 + 1000) + std::string(1000, '\0'));
    f = read_frame(reader);
    EXPECT_EQ(f.result, 0);
    EXPECT_TRUE(f.events.empty());

    // A type code above 7 carries no value.
    IDValue_t c = record(9, 0, "Odd");
    std::memset(c.Value, 0x77, sizeof c.Value);
    send_bytes(writer, header("ZEVAHV", 10 + 1060) +
                           std::string(reinterpret_cast<const char *>(&c), sizeof c));
    f = read_frame(reader);
    ASSERT_EQ(f.events.size(), 1u);
    EXPECT_EQ(record_uint(f.events[0]), 0u);

    // Anything but the magic is refused.
    send_bytes(writer, header("XEVAHV", 10));
    EXPECT_EQ(read_frame(reader).result, 29);
}

TEST_F(SubscribedModule, ReaderRefusesAbsurdLengthsAndTruncatedFrames) {
    int writer = connect_to(listener_.port());
    ASSERT_GE(writer, 0);
    fds_.push_back(writer);
    int reader = listener_.accept_one(5000);
    ASSERT_GE(reader, 0);
    fds_.push_back(reader);
    send_bytes(writer, header("ZEVAHV", 0xFFFFFFF0u));
    EXPECT_EQ(read_frame(reader).result, 29);

    int w2 = connect_to(listener_.port());
    ASSERT_GE(w2, 0);
    fds_.push_back(w2);
    int r2 = listener_.accept_one(5000);
    ASSERT_GE(r2, 0);
    fds_.push_back(r2);
    send_bytes(w2, header("ZEVAHV", 10 + 1060) + std::string(500, '\0'));
    ::shutdown(w2, SHUT_WR);  // the peer goes away in the middle of the frame
    EXPECT_EQ(read_frame(r2).result, 28);
}
