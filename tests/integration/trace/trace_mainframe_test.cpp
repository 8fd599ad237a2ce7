// The mainframes' traffic in the wire trace: requests and replies of a
// session (the login's password masked), the event frames a crate pushes,
// and a legacy crate's event messages.  Run in this process with the trace
// pointed at a file of the test (trace::configure, which the library does
// from ZEVAHV_TRACE when it loads).
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

#include "crate.h"
#include "trace/trace.h"
#include "trace_run.h"

namespace {

class MainframeTrace : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(zevahv::trace::configure(file().c_str())); }
    void TearDown() override { zevahv::trace::configure(nullptr); }
    std::string file() const { return dir_.path() + "/trace.log"; }
    std::vector<std::string> lines() const { return dir_.lines("trace.log"); }
    static std::string hex(const std::string &text) {
        std::string out;
        char b[3];
        for (unsigned char c : text) {
            std::snprintf(b, sizeof b, "%02x", c);
            out += b;
        }
        return out;
    }
    // True when the bytes appear in a hex line (groups of four bytes are
    // separated by spaces, which are taken out first).
    static bool has_hex(const std::string &line, const std::string &bytes) {
        std::string flat;
        for (char c : line) if (c != ' ') flat += c;
        return flat.find(hex(bytes)) != std::string::npos;
    }
    TraceFolder dir_;
};

}  // namespace

TEST_F(MainframeTrace, RequestsRepliesAndPushedFramesAppearAndThePasswordDoesNot) {
    Crate crate;
    int h = -1;
    ASSERT_EQ(crate.open(&h, "admin", "s3cret-word"), ZEVAHV_ERR_LOGINFAILED);
    OpenSystem s(crate);
    EventStream events;
    ASSERT_EQ(subscribe(s.h, events.port_arg(), 0, 0, "VMon", nullptr, true), 0);
    ASSERT_TRUE(events.accept());
    std::vector<IDValue_t> records;
    ASSERT_EQ(events.read(&records), 0);

    const auto all = lines();
    char name[32];
    std::snprintf(name, sizeof name, " ZEVA_KR2440_HVL_%03d ", s.h);
    const auto requests = lines_with(all, {name, " request -> ", " hex 0000"});
    const auto replies = lines_with(all, {name, " reply <- ", " hex 0000"});
    EXPECT_GE(replies.size(), requests.size());
    bool login = false, subscription = false;
    for (const auto &l : requests) {
        login = login || has_hex(l, "LOGINSYSTEM:admin:");
        subscription = subscription || has_hex(l, "SUBSCRIBE");
        EXPECT_FALSE(has_hex(l, "s3cret-word")) << l;
        EXPECT_FALSE(has_hex(l, ":admin:admin")) << "a password in the trace: " << l;
    }
    EXPECT_TRUE(login);
    EXPECT_TRUE(subscription);
    EXPECT_FALSE(lines_with(all, {name, " event <- ", " hex 5a455641 4856", " = 0"}).empty());
}

TEST_F(MainframeTrace, LegacyEventMessagesAppear) {
    Crate crate(Crate::Legacy, {"--tick", "50"});
    OpenSystem s(crate);
    unsigned short port = 0;
    const int fd = udp_socket(&port, crate.host);
    char lock[64];
    std::snprintf(lock, sizeof lock, "ZEVA_KR2210_HVL_%03d.Board01.CHAN001.VSet", s.h);
    char res[1] = {9};
    ASSERT_EQ(ZEVAHV_Subscribe(s.h, static_cast<short>(port), 1, lock, res), 0);
    ASSERT_EQ(set_ch_float(s.h, 1, 1, "VSet", 250.5f), 0);
    char *ev = nullptr;
    int n = 0;
    EXPECT_EQ(ZEVAHVGetEventData(fd, &ev, &n), 0);
    ZEVAHVFreeEventData(reinterpret_cast<IDValue_t **>(&ev));
    ::close(fd);
    const auto all = lines();
    EXPECT_FALSE(lines_with(all, {" " + crate.host + " legacy <- ", " hex "}).empty());
}
