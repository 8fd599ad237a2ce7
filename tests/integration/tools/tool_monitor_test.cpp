// monitor: events of the subscribed items, printed as they come, until a
// count, a time or a signal ends the watch; stray peers on the event port
// do not disturb it.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cmath>
#include <set>
#include <sstream>

#include "tool_families.h"

namespace {

class ToolMonitor : public ToolTest {
protected:
    std::string watch() const { return GetParam().watch_param; }
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

// A socket from `from` to 127.0.0.1:port (a stream, or datagrams) that has
// sent `bytes`.
int stray_peer(const char* from, unsigned short port, const std::string& bytes, bool datagram) {
    int fd = socket(AF_INET, datagram ? SOCK_DGRAM : SOCK_STREAM, 0);
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
    auto s = session();
    Json params = s->ask("params 0 --json");
    int n = params[0]["channels"];
    auto p = find_param(params, is_writable_number);
    std::string name = p ? (*p)["name"].get<std::string>() : watch();
    // The last listed channel holds a value of ours, where one can be written.
    int last = n >= 2 ? 1 : 0;
    double value = 0;
    if (p) {
        value = std::round(((*p)["min"].get<double>() + (*p)["max"].get<double>()) / 2);
        Json set = s->ask("set 0 " + name + " " + std::to_string(static_cast<int>(value)) +
                          " --channel " + std::to_string(last));
        ASSERT_TRUE(set.contains("values")) << set;
    }
    std::string item = "0.0" + std::string(last ? "-1" : "") + "." + name;
    // Every item's value comes at once: a polled device sends all of them
    // each cycle, a crate the values of new items first.
    auto events = s->ask_lines("monitor " + item + " --count " + std::to_string(last + 1) +
                                   " --seconds 30",
                               static_cast<size_t>(last + 1));
    std::set<int> channels;
    for (const Json& e : events) {
        EXPECT_EQ(e["kind"], "value") << e;
        EXPECT_EQ(e["parameter"], name);
        EXPECT_EQ(e["slot"], 0);
        EXPECT_TRUE(has_shape(e["time"], "9999-99-99T99:99:99.999+99:99")) << e["time"];
        int ch = e["channel"];
        channels.insert(ch);
        EXPECT_EQ(e["item"], "0." + std::to_string(ch) + "." + name);
        if (p && ch == last) {
            EXPECT_DOUBLE_EQ(e["value"].get<double>(), value) << e;
        }
    }
    EXPECT_EQ(channels.size(), static_cast<size_t>(last + 1));
    EXPECT_EQ(s->end(), 0) << s->err();
}

TEST_P(ToolMonitor, PeopleReadTimeItemAndValue) {
    start_sim();
    ToolResult r = zevahv({"monitor", watch(), "--channel", "0", "--count", "1", "--seconds", "30"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    std::string item = "  0.0." + watch() + "  ";
    ASSERT_EQ(r.out.find('\n'), r.out.size() - 1) << r.out;  // one line
    EXPECT_TRUE(has_shape(r.out.substr(0, 23), "9999-99-99 99:99:99.999")) << r.out;
    EXPECT_EQ(r.out.compare(23, item.size(), item), 0) << r.out;
    EXPECT_GT(r.out.size(), 24 + item.size()) << r.out;  // a value follows
}

TEST_P(ToolMonitor, InterruptEndsTheWatchCleanly) {
    start_sim();
    RunningTool tool(with_system({"monitor", "--all"}));
    std::string line;
    ASSERT_TRUE(tool.next_line(line, 30000)) << tool.err();
    tool.signal(SIGINT);
    EXPECT_EQ(tool.wait(15000), 0);
    // Of every item, the system may refuse some (a crate streams no session
    // list): one line says which, and nothing else is said.
    std::istringstream err(tool.err());
    for (std::string l; std::getline(err, l);)
        EXPECT_NE(l.find(": not watched, refused by the system: "), std::string::npos) << l;
}

TEST_P(ToolMonitor, SilenceBeyondTheTimeoutFails) {
    start_sim();
    RunningTool tool(with_system({"monitor", watch(), "--channel", "0", "--timeout", "2"}));
    std::string line;
    ASSERT_TRUE(tool.next_line(line, 30000)) << tool.err();
    GetParam().silence(sim_.get());
    EXPECT_EQ(tool.wait(30000), 6);
    EXPECT_NE(tool.err().find("no event within 2.0 s (code 23)"), std::string::npos) << tool.err();
}

TEST_P(ToolMonitor, StrayPeersOnTheEventPortAreDropped) {
    start_sim();
    GetParam().keep_changing(sim_.get());
    bool datagrams = GetParam().events == ToolFamily::Events::kCrateDatagrams;
    unsigned short port = free_port();
    RunningTool tool(with_system({"monitor", watch(), "--channel", "0", "--port", std::to_string(port),
                                  "--count", "6", "--seconds", "60"}));
    std::string line;
    ASSERT_TRUE(tool.next_line(line, 30000)) << tool.err();
    // Another machine's stand-in, and a local peer with an identification
    // text followed by no frame at all (or datagrams that are no messages).
    int a = stray_peer("127.0.0.9", port, "hello", datagrams);
    int b = stray_peer("127.0.0.1", port, std::string("intruder\0", 9) + "garbage-not-a-frame", datagrams);
    int c = stray_peer("127.0.0.1", port, std::string("ZEVA\x01\x00", 6) + std::string(30, '\xff'), datagrams);
    int more = 0;
    while (more < 5 && tool.next_line(line, 30000)) ++more;
    EXPECT_EQ(more, 5) << tool.err();
    EXPECT_EQ(tool.wait(15000), 0);
    close(a);
    close(b);
    close(c);
}

INSTANTIATE_TEST_SUITE_P(Families, ToolMonitor, ::testing::ValuesIn(tool_families()), family_name);

}  // namespace
