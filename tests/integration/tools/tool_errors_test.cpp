// Failures: the exit code a script can test and the message a person reads,
// "zevahv: <system> at <address>: <what>: <why> (code N)"; and nothing sent
// to the module for a value that zevahv refuses itself.
#include "tool_families.h"

namespace {

class ToolErrors : public ToolTest {
protected:
    std::string prefix() const {
        return "zevahv: " + GetParam().name + " at " + sim_->tcp_arg() + ": ";
    }
};

bool ends_with_code(const std::string& err, int code) {
    std::string tail = " (code " + std::to_string(code) + ")\n";
    return err.size() >= tail.size() && err.compare(err.size() - tail.size(), tail.size(), tail) == 0;
}

TEST_P(ToolErrors, ClosedPortCannotBeOpened) {
    std::string address = "127.0.0.1:" + std::to_string(free_port()) + "_0";
    ToolResult r = run_tool({"--system", GetParam().name, "--address", address, "info"});
    EXPECT_EQ(r.exit_code, 3);
    EXPECT_TRUE(r.out.empty()) << r.out;
    std::string prefix = "zevahv: " + GetParam().name + " at " + address + ": cannot open the system: ";
    EXPECT_EQ(r.err.rfind(prefix, 0), 0u) << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;  // one line
    EXPECT_NE(r.err.find(" (code "), std::string::npos) << r.err;
}

TEST_P(ToolErrors, UnknownParameterSlotAndChannel) {
    start_sim();
    ToolResult get = zevahv({"get", "0", "NoSuchPar"});
    EXPECT_EQ(get.exit_code, 4);
    EXPECT_EQ(get.err.rfind(prefix() + "no parameter \"NoSuchPar\" on slot 0", 0), 0u) << get.err;
    EXPECT_TRUE(ends_with_code(get.err, 22)) << get.err;

    ToolResult set = zevahv({"set", "0", "NoSuchPar", "1", "--channel", "0"});
    EXPECT_EQ(set.exit_code, 4);
    EXPECT_TRUE(ends_with_code(set.err, 22)) << set.err;

    auto p = find_param(is_writable_number);
    ASSERT_TRUE(p);
    std::string name = (*p)["name"];
    ToolResult slot = zevahv({"get", "7", name});
    EXPECT_EQ(slot.exit_code, 4);
    EXPECT_TRUE(ends_with_code(slot.err, 10)) << slot.err;
    ToolResult chan = zevahv({"get", "0", name, "--channel", "0,99"});
    EXPECT_EQ(chan.exit_code, 4);
    EXPECT_NE(chan.err.find("channel 99 is beyond the board"), std::string::npos) << chan.err;
    ToolResult list = zevahv({"get", "0", name, "--channel", "3-1"});
    EXPECT_EQ(list.exit_code, 2);
    EXPECT_NE(list.err.find("bad channel list \"3-1\""), std::string::npos) << list.err;
}

TEST_P(ToolErrors, ValuesOutOfRangeOrUnreadableAreNeverSent) {
    start_sim();
    auto p = find_param(is_writable_number);
    ASSERT_TRUE(p);
    std::string name = (*p)["name"];
    std::string above = std::to_string(static_cast<long>((*p)["max"].get<double>()) + 1);

    ToolResult high = zevahv({"set", "0", name, above, "--channel", "0"});
    EXPECT_EQ(high.exit_code, 5);
    EXPECT_EQ(high.err.rfind(prefix() + name + ": \"" + above + "\" is out of range", 0), 0u)
        << high.err;
    EXPECT_TRUE(ends_with_code(high.err, 10)) << high.err;

    ToolResult word = zevahv({"set", "0", name, "12abc", "--channel", "0"});
    EXPECT_EQ(word.exit_code, 5);
    EXPECT_NE(word.err.find("is not a number"), std::string::npos) << word.err;

    if (auto c = find_param(is_writable_choice)) {
        ToolResult choice = zevahv({"set", "0", (*c)["name"], "#99", "--channel", "0"});
        EXPECT_EQ(choice.exit_code, 5);
        EXPECT_TRUE(ends_with_code(choice.err, 10)) << choice.err;
    }
    // A channel parameter is never written to all channels unasked.
    ToolResult all = zevahv({"set", "0", name, "1"});
    EXPECT_EQ(all.exit_code, 2);
    EXPECT_NE(all.err.find("--channel"), std::string::npos) << all.err;

    EXPECT_TRUE(set_commands(*sim_).empty());
}

TEST_P(ToolErrors, DeviceRefusalGivesTheLibrarysCode) {
    start_sim({"--local"});
    auto p = find_param(is_writable_number);
    ASSERT_TRUE(p);
    std::string name = (*p)["name"];
    std::string value = std::to_string(static_cast<long>((*p)["min"].get<double>()));
    ToolResult r = zevahv({"set", "0", name, value, "--channel", "1"});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.err.rfind(prefix() + "setting " + name + " on slot 0 channel 1: ", 0), 0u) << r.err;
    EXPECT_TRUE(ends_with_code(r.err, 2)) << r.err;
    EXPECT_EQ(set_commands(*sim_).size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Families, ToolErrors, ::testing::ValuesIn(tool_families()), family_name);

}  // namespace
