// monitor: events of the subscribed items, printed as they come, until a
// count, a time or a signal ends the watch; stray peers on the event port
// do not disturb it.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <set>
#include <sstream>

#include "tool_families.h"

namespace {

class ToolMonitor : public ToolTest {
protected:
    std::vector<std::string> with_system(std::vector<std::string> args) const {
        std::vector<std::string> all = system_args();
        all.insert(all.end(), args.begin(), args.end());
        return all;
    }
    std::string numeric_param() const {
        auto p = find_param(is_writable_number);
        EXPECT_TRUE(p) << "no writable numeric channel parameter";
        return p ? (*p)["name"].get<std::string>() : "";
    }
};

// `text` has the shape of `form`: '9' a digit, '+' a sign, other characters themselves.
bool has_shape(const std::string& text, const std::string& form) {
    if (text.size() != form.size()) return false;
    for (size_t i = 0; i < form.size(); ++i) {
        char t = text[i], f = form[i];
        bool ok = f == '9' ? (t >= '0' && t <= '9') : f == '+' ? (t == '+' || t == '-') : t == f;
        if (!ok) return false;
    }
    return true;
}

// Connects from `from` to 127.0.0.1:port and sends `bytes`; the socket.
int stray_peer(const char* from, unsigned short port, const std::string& bytes) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in me{};
    me.sin_family = AF_INET;
    inet_pton(AF_INET, from, &me.sin_addr);
    bind(fd, reinterpret_cast<sockaddr*>(&me), sizeof me);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    EXPECT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to), 0);
    EXPECT_EQ(send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL), static_cast<ssize_t>(bytes.size()));
    return fd;
}

TEST_P(ToolMonitor, JsonLinesCarryTheValuesOfTheListedChannels) {
    start_sim();
    std::string name = numeric_param();
    ASSERT_FALSE(name.empty());
    auto p = find_param(is_writable_number);
    std::string value = std::to_string(static_cast<int>((*p)["max"].get<double>()) / 2);
    ASSERT_EQ(zevahv({"set", "0", name, value, "--channel", "1"}).exit_code, 0);

    ToolResult r = zevahv({"monitor", "0.0-1." + name, "--count", "4", "--seconds", "30", "--json"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    std::istringstream in(r.out);
    int lines = 0;
    std::set<int> channels;
    for (std::string line; std::getline(in, line); ++lines) {
        Json e = Json::parse(line, nullptr, false);
        ASSERT_FALSE(e.is_discarded()) << line;
        EXPECT_EQ(e["kind"], "value");
        EXPECT_EQ(e["parameter"], name);
        EXPECT_EQ(e["slot"], 0);
        EXPECT_TRUE(has_shape(e["time"], "9999-99-99T99:99:99.999+99:99")) << e["time"];
        int ch = e["channel"];
        channels.insert(ch);
        EXPECT_EQ(e["item"], "0." + std::to_string(ch) + "." + name);
        if (ch == 1) {
            EXPECT_DOUBLE_EQ(e["value"].get<double>(), std::stod(value)) << line;
        }
    }
    EXPECT_EQ(lines, 4);
    EXPECT_EQ(channels, (std::set<int>{0, 1}));
}

TEST_P(ToolMonitor, PeopleReadTimeItemAndValue) {
    start_sim();
    std::string name = numeric_param();
    ToolResult r = zevahv({"monitor", name, "--channel", "2", "--count", "2", "--seconds", "30"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    std::istringstream in(r.out);
    std::string item = "  0.2." + name + "  ";
    int lines = 0;
    for (std::string line; std::getline(in, line); ++lines) {
        EXPECT_TRUE(has_shape(line.substr(0, 23), "9999-99-99 99:99:99.999")) << line;
        EXPECT_EQ(line.compare(23, item.size(), item), 0) << line;
        EXPECT_GT(line.size(), 23 + item.size()) << line;  // a value follows
    }
    EXPECT_EQ(lines, 2);
}

TEST_P(ToolMonitor, InterruptEndsTheWatchCleanly) {
    start_sim();
    RunningTool tool(with_system({"monitor", "--all"}));
    std::string line;
    ASSERT_TRUE(tool.next_line(line, 30000)) << tool.err();
    tool.signal(SIGINT);
    EXPECT_EQ(tool.wait(15000), 0);
    EXPECT_TRUE(tool.err().empty()) << tool.err();
}

TEST_P(ToolMonitor, SilenceBeyondTheTimeoutFails) {
    start_sim();
    RunningTool tool(with_system({"monitor", numeric_param(), "--channel", "0", "--timeout", "2"}));
    std::string line;
    ASSERT_TRUE(tool.next_line(line, 30000)) << tool.err();
    EXPECT_EQ(sim_->control("fault silent").rfind("OK", 0), 0u);
    EXPECT_EQ(tool.wait(30000), 6);
    EXPECT_NE(tool.err().find("no event within 2.0 s (code 23)"), std::string::npos) << tool.err();
}

TEST_P(ToolMonitor, StrayPeersOnTheEventPortAreDropped) {
    start_sim();
    std::string name = numeric_param();
    unsigned short port = free_port();
    RunningTool tool(with_system({"monitor", name, "--channel", "0", "--port", std::to_string(port),
                                  "--count", "6", "--seconds", "60"}));
    std::string line;
    ASSERT_TRUE(tool.next_line(line, 30000)) << tool.err();
    // Another machine's stand-in, and a local peer with an identification
    // text followed by no frame at all.
    int a = stray_peer("127.0.0.9", port, "hello");
    int b = stray_peer("127.0.0.1", port, std::string("intruder\0", 9) + "garbage-not-a-frame");
    int more = 0;
    while (more < 5 && tool.next_line(line, 30000)) ++more;
    EXPECT_EQ(more, 5) << tool.err();
    EXPECT_EQ(tool.wait(15000), 0);
    close(a);
    close(b);
}

INSTANTIATE_TEST_SUITE_P(Families, ToolMonitor, ::testing::ValuesIn(tool_families()), family_name);

}  // namespace
