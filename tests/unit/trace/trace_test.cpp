// The wire trace's lines: what a message looks like in them, that they stay
// whole when threads trace at once, and that it writes nothing when off.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <regex>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "trace/trace.h"

namespace trace = zevahv::trace;

namespace {

// A trace file of its own for each test, turned off again at the end.
class TraceFile : public ::testing::Test {
protected:
    void SetUp() override {
        char dir[] = "/tmp/zevahv-trace-XXXXXX";
        ASSERT_NE(::mkdtemp(dir), nullptr);
        dir_ = dir;
        path_ = dir_ + "/trace.log";
        ASSERT_TRUE(trace::configure(path_.c_str()));
        ASSERT_TRUE(trace::on());
    }
    void TearDown() override {
        trace::configure(nullptr);
        std::remove(path_.c_str());
        ::rmdir(dir_.c_str());
    }
    std::vector<std::string> lines() const {
        std::ifstream in(path_);
        std::vector<std::string> out;
        for (std::string l; std::getline(in, l);) out.push_back(l);
        return out;
    }
    // The part of a line after its time stamp.
    static std::string body(const std::string &line) {
        static const std::regex stamp(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{6} )");
        std::smatch m;
        EXPECT_TRUE(std::regex_search(line, m, stamp)) << line;
        return m.suffix();
    }
    std::string dir_, path_;
};

}  // namespace

TEST_F(TraceFile, TextsAreEscapedBinaryIsHexAndLongMessagesAreCut) {
    trace::text("tcp:127.0.0.1:47001", "link", trace::Dir::Out,
                std::string_view("$BD:00,\"a\\b\"\x01\t\r\n\0", 17), 0);
    const unsigned char frame[] = {'Z', 'E', 'V', 'A', 'H', 'V', 0, 0, 0, 10, 0xff};
    trace::binary("ZEVA_KR2440_HVL_003", "reply", trace::Dir::In, frame, sizeof frame, 29);
    const std::uint32_t addrs[] = {0x80, 0x84}, values[] = {1200, 7};
    trace::comm("ZEVA_W40XX_HVL_000", "MultiRead16", addrs, values, -1000);
    const std::string big(trace::kShownBytes + 10, 'x');
    trace::text("", "link", trace::Dir::In, big, 0);

    const auto got = lines();
    ASSERT_EQ(got.size(), 4u);
    EXPECT_EQ(body(got[0]),
              R"(tcp:127.0.0.1:47001 link -> 17 "$BD:00,\"a\\b\"\x01\t\r\n\0" = 0)");
    EXPECT_EQ(body(got[1]), "ZEVA_KR2440_HVL_003 reply <- 11 hex 5a455641 48560000 000aff = 29");
    EXPECT_EQ(body(got[2]),
              "ZEVA_W40XX_HVL_000 comm MultiRead16 0x00000080 0x00000084 -> 0x04b0 0x0007 = -1000");
    EXPECT_EQ(body(got[3]), "- link <- " + std::to_string(big.size()) + " \"" +
                                std::string(trace::kShownBytes, 'x') + "\" ...(10 more) = 0");
}

TEST_F(TraceFile, LinesOfThreadsTracingAtOnceStayWhole) {
    constexpr int kThreads = 6, kLines = 400;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < kLines; ++i) {
                // Some lines longer than one pipe buffer's atomic write.
                const std::string payload(static_cast<std::size_t>(1 + (i * 37) % 6000),
                                          static_cast<char>('a' + t));
                trace::text("sys" + std::to_string(t), "link", trace::Dir::Out, payload, i);
            }
        });
    }
    for (auto &th : threads) th.join();
    const auto got = lines();
    ASSERT_EQ(got.size(), static_cast<std::size_t>(kThreads * kLines));
    std::vector<int> next(kThreads, 0);
    static const std::regex form(R"re(^sys(\d) link -> (\d+) "([a-z]*)"( \.\.\.\(\d+ more\))? = (\d+)$)re");
    for (const auto &l : got) {
        std::smatch m;
        const std::string b = body(l);
        ASSERT_TRUE(std::regex_match(b, m, form)) << b.substr(0, 80);
        const int t = std::stoi(m[1]);
        const std::string shown = m[3];
        EXPECT_EQ(shown.find_first_not_of(static_cast<char>('a' + t)), std::string::npos);
        // Each thread's lines come in its order.
        EXPECT_EQ(std::stoi(m[5]), next[t]++);
    }
}

TEST_F(TraceFile, OffWritesNothingAndABadPathKeepsItOff) {
    trace::configure(nullptr);
    EXPECT_FALSE(trace::on());
    trace::text("sys", "link", trace::Dir::Out, "nothing", 0);
    EXPECT_TRUE(lines().empty());

    const std::string bad = dir_ + "/no/such/folder/trace.log";
    EXPECT_FALSE(trace::configure(bad.c_str()));
    EXPECT_FALSE(trace::on());
    trace::text("sys", "link", trace::Dir::Out, "nothing", 0);
    EXPECT_TRUE(lines().empty());

    // Back on: the file is appended to, not replaced.
    ASSERT_TRUE(trace::configure(path_.c_str()));
    trace::text("sys", "link", trace::Dir::Out, "one", 0);
    ASSERT_TRUE(trace::configure(path_.c_str()));
    trace::text("sys", "link", trace::Dir::Out, "two", 0);
    EXPECT_EQ(lines().size(), 2u);
}
