// Event frame headers and records as bytes.
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "frame/event_frame.h"

using namespace zevahv;

namespace {

std::vector<unsigned char> header(const char *magic, std::uint32_t length) {
    std::vector<unsigned char> h(10);
    std::memcpy(h.data(), magic, 6);
    h[6] = length >> 24;
    h[7] = length >> 16;
    h[8] = length >> 8;
    h[9] = length;
    return h;
}

IDValue_t record(int type_code, const char *item) {
    IDValue_t r;
    std::memset(&r, 0x5a, sizeof r);  // garbage everywhere the sender did not write
    r.Type = type_code;
    r.SystemHandle = 3;
    r.BoardIndex = 0;
    r.ChannelIndex = 2;
    std::memset(r.Item, 0, sizeof r.Item);
    std::strncpy(r.Item, item, sizeof r.Item);
    return r;
}

IDValue_t decoded(const IDValue_t &wire) {
    IDValue_t out;
    decode_event_record(
        std::span<const unsigned char>(reinterpret_cast<const unsigned char *>(&wire), sizeof wire),
        &out);
    return out;
}

}  // namespace

TEST(EventFrame, HeaderIsCheckedBeforeAnythingIsAllocated) {
    std::uint32_t body = 99;
    EXPECT_EQ(parse_event_header(header("ZEVAHV", 10 + 2120), &body), 0);
    EXPECT_EQ(body, 2120u);
    EXPECT_EQ(parse_event_header(header("ZEVAHV", 10), &body), 0);
    EXPECT_EQ(body, 0u);
    EXPECT_EQ(parse_event_header(header("ZEVAHV", 16u << 20), &body), 0);

    body = 99;
    EXPECT_EQ(parse_event_header(header("ZEVAHX", 1070), &body), 29);
    EXPECT_EQ(parse_event_header(header("zevahv", 1070), &body), 29);
    EXPECT_EQ(parse_event_header(header("ZEVAHV", 9), &body), 29);
    EXPECT_EQ(parse_event_header(header("ZEVAHV", 0), &body), 29);
    EXPECT_EQ(parse_event_header(header("ZEVAHV", (16u << 20) + 1), &body), 29);
    EXPECT_EQ(parse_event_header(header("ZEVAHV", 0xFFFFFFFFu), &body), 29);
    auto short_header = header("ZEVAHV", 1070);
    EXPECT_EQ(parse_event_header(std::span(short_header).first(9), &body), 29);
    EXPECT_EQ(body, 99u) << "a refused header reports no size";

    EXPECT_EQ(event_record_count(2120), 2u);
    EXPECT_EQ(event_record_count(1000), 0u);
    EXPECT_EQ(event_record_count(2119), 1u);
}

TEST(EventFrame, HeaderRoundTrip) {
    unsigned char h[10];
    ASSERT_TRUE(encode_event_header(3, h));
    std::uint32_t body = 0;
    ASSERT_EQ(parse_event_header(h, &body), 0);
    EXPECT_EQ(body + 10, 3190u);
    EXPECT_FALSE(encode_event_header(20000, h)) << "beyond the largest frame a reader takes";
}

TEST(EventFrame, ValuesAreCopiedByTypeCode) {
    IDValue_t f = record(0, "VMon");
    const float volts = 1234.5f;
    std::memcpy(f.Value, &volts, 4);
    IDValue_t out = decoded(f);
    EXPECT_EQ(out.Type, 0);
    EXPECT_EQ(out.SystemHandle, 3);
    EXPECT_EQ(out.ChannelIndex, 2);
    EXPECT_STREQ(out.Item, "VMon");
    float got;
    std::memcpy(&got, out.Value, 4);
    EXPECT_EQ(got, volts);
    EXPECT_EQ(out.Value[4], 0) << "only the 4 value bytes are copied";

    for (int type : {1, 2, 3, 4, 6}) {
        IDValue_t u = record(type, "Status");
        const unsigned bits = 0x80000005u;
        std::memcpy(u.Value, &bits, 4);
        out = decoded(u);
        unsigned v;
        std::memcpy(&v, out.Value, 4);
        EXPECT_EQ(v, bits) << type;
        EXPECT_EQ(out.Type, 0);
    }

    IDValue_t t = record(5, "FwRel");
    std::memset(t.Value, 0, sizeof t.Value);
    std::strcpy(t.Value, "1.07");
    out = decoded(t);
    EXPECT_STREQ(out.Value, "1.07");
}

TEST(EventFrame, NothingUnterminatedOrUnknownGetsThrough) {
    // A text with no terminator in its 1024 bytes is cut to 1023.
    IDValue_t t = record(5, "Name");
    std::memset(t.Value, 'x', sizeof t.Value);
    IDValue_t out = decoded(t);
    EXPECT_EQ(std::strlen(out.Value), sizeof out.Value - 1);

    // An item name that fills its field is terminated.
    IDValue_t i = record(0, "");
    std::memset(i.Item, 'N', sizeof i.Item);
    out = decoded(i);
    EXPECT_EQ(std::strlen(out.Item), sizeof out.Item - 1);

    // Commands, codes above 7 and negative codes carry nothing.
    for (int type : {7, 8, 99, -1}) {
        IDValue_t c = record(type, "Cmd");
        out = decoded(c);
        for (unsigned char b : out.Value) ASSERT_EQ(b, 0) << type;
        EXPECT_EQ(out.Type, 0);
    }

    // Fewer bytes than a record decode to a zero record, not a read past.
    unsigned char few[100];
    std::memset(few, 0x77, sizeof few);
    decode_event_record(std::span<const unsigned char>(few, sizeof few), &out);
    EXPECT_EQ(out.SystemHandle, 0);
    EXPECT_STREQ(out.Item, "");
}

