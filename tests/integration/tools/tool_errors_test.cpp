// Failures: the exit code a script can test and the message a person reads,
// "zevahv: <system> at <address>: <what>: <why> (code N)" ("line N: " after
// the address in a batch, which also prints an error object in JSON); and
// nothing sent to the device for a value that zevahv refuses itself.
#include "tool_families.h"

namespace {

class ToolErrors : public ToolTest {
protected:
    std::string address_of(const std::vector<std::string>& args) const {
        for (size_t i = 0; i + 1 < args.size(); ++i)
            if (args[i] == "--address") return args[i + 1];
        return "";
    }
    std::string prefix() const { return "zevahv: " + GetParam().name + " at " + address_of(system_args()) + ": "; }
};

bool ends_with_code(const std::string& err, int code) {
    std::string tail = " (code " + std::to_string(code) + ")\n";
    return err.size() >= tail.size() && err.compare(err.size() - tail.size(), tail.size(), tail) == 0;
}

// The error objects of a batch, one a failing line, in the order of the lines.
std::vector<Json> error_objects(const std::string& out) {
    std::vector<Json> errors;
    size_t at = 0;
    while (at < out.size()) {
        size_t end = out.find('\n', at);
        Json doc = Json::parse(out.substr(at, end - at), nullptr, false);
        if (doc.is_object() && doc.contains("error")) errors.push_back(doc);
        if (end == std::string::npos) break;
        at = end + 1;
    }
    return errors;
}

TEST_P(ToolErrors, AnUnreachableSystemCannotBeOpened) {
    start_sim();
    std::vector<std::string> args = GetParam().unreachable();
    args.push_back("info");
    ToolResult r = run_tool(args);
    EXPECT_EQ(r.exit_code, 3);
    EXPECT_TRUE(r.out.empty()) << r.out;
    std::string prefix = "zevahv: " + GetParam().name + " at " + address_of(args) + ": cannot open the system: ";
    EXPECT_EQ(r.err.rfind(prefix, 0), 0u) << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;  // one line
    EXPECT_NE(r.err.find(" (code "), std::string::npos) << r.err;
}

TEST_P(ToolErrors, UnknownParameterSlotAndChannel) {
    start_sim();
    // As a program of its own: the exit code, and the message with the
    // names the slot has.
    ToolResult get = zevahv({"get", "0", "NoSuchPar"});
    EXPECT_EQ(get.exit_code, 4);
    EXPECT_EQ(get.err.rfind(prefix() + "no parameter \"NoSuchPar\" on slot 0 (board: ", 0), 0u) << get.err;
    EXPECT_NE(get.err.find("; channel: "), std::string::npos) << get.err;
    EXPECT_TRUE(ends_with_code(get.err, 22)) << get.err;

    // The rest in one batch that runs on past each failure.
    std::string w = GetParam().watch_param;
    ToolResult r = batch({"set 0 NoSuchPar 1 --channel 0", "get 7 " + w, "get 0 " + w + " --channel 0,99",
                          "get 0 " + w + " --channel 3-1", "get 0 " + w + " --channel 0 --bogus"},
                         {"--keep-going", "--json"});
    EXPECT_EQ(r.exit_code, 4) << r.err;  // the first failure's
    auto errors = error_objects(r.out);
    ASSERT_EQ(errors.size(), 5u) << r.out;
    EXPECT_EQ(errors[0]["code"], 22);
    EXPECT_EQ(errors[0]["exit"], 4);
    EXPECT_EQ(errors[1]["code"], 10);
    EXPECT_EQ(errors[1]["exit"], 4);
    EXPECT_EQ(errors[1]["error"].get<std::string>().rfind("slot 7 is beyond the crate", 0), 0u) << errors[1];
    EXPECT_EQ(errors[2]["exit"], 4);
    EXPECT_NE(errors[2]["error"].get<std::string>().find("channel 99 is beyond the board"), std::string::npos)
        << errors[2];
    EXPECT_EQ(errors[3]["exit"], 2);
    EXPECT_NE(errors[3]["error"].get<std::string>().find("bad channel list \"3-1\""), std::string::npos)
        << errors[3];
    EXPECT_EQ(errors[4]["exit"], 2);
    EXPECT_TRUE(errors[4]["code"].is_null());
    for (int i = 0; i < 5; ++i) EXPECT_EQ(errors[i]["line"], i + 1);
    EXPECT_NE(r.err.find(prefix() + "line 2: slot 7 is beyond the crate"), std::string::npos) << r.err;
}

TEST_P(ToolErrors, ValuesOutOfRangeOrUnreadableAreNeverSent) {
    start_sim();
    auto s = session();
    Json params = s->ask("params 0 --json");
    auto p = find_param(params, is_writable_number);
    if (!p) {
        s->end();
        GTEST_SKIP() << "no writable numeric channel parameter";
    }
    std::string name = (*p)["name"];
    std::string above = std::to_string(static_cast<long>((*p)["max"].get<double>()) + 1);

    Json high = s->ask("set 0 " + name + " " + above + " --channel 0");
    EXPECT_EQ(high["exit"], 5) << high;
    EXPECT_EQ(high["code"], 10) << high;
    EXPECT_EQ(high["error"].get<std::string>().rfind(name + ": \"" + above + "\" is out of range", 0), 0u)
        << high;
    Json word = s->ask("set 0 " + name + " 12abc --channel 0");
    EXPECT_EQ(word["exit"], 5) << word;
    EXPECT_NE(word["error"].get<std::string>().find("is not a number"), std::string::npos) << word;
    if (auto c = find_param(params, is_writable_choice)) {
        Json choice = s->ask("set 0 " + (*c)["name"].get<std::string>() + " #99 --channel 0");
        EXPECT_EQ(choice["exit"], 5) << choice;
        EXPECT_EQ(choice["code"], 10) << choice;
    }
    // A channel parameter is never written to all channels unasked.
    Json all = s->ask("set 0 " + name + " 1");
    EXPECT_EQ(all["exit"], 2) << all;
    EXPECT_NE(all["error"].get<std::string>().find("--channel"), std::string::npos) << all;
    EXPECT_EQ(s->end(), 5);
    EXPECT_EQ(writes(1), 0u);
}

TEST_P(ToolErrors, DeviceRefusalGivesTheLibrarysCode) {
    start_sim();
    auto s = session();
    Json params = s->ask("params 0 --json");
    auto p = find_param(params, is_writable_number);
    if (!p) p = find_param(params, is_writable_state);
    ASSERT_TRUE(p) << params;
    std::string name = (*p)["name"];
    std::string value = (*p)["type"] == "numeric"
                            ? std::to_string(static_cast<long>((*p)["min"].get<double>()))
                            : "1";
    refuse_writes();
    Json r = s->ask("set 0 " + name + " " + value + " --channel 0");
    EXPECT_EQ(r["exit"], 1) << r;
    EXPECT_EQ(r["code"], GetParam().refusal_code) << r;
    EXPECT_EQ(r["error"].get<std::string>().rfind("setting " + name + " on slot 0 channel 0: ", 0), 0u) << r;
    EXPECT_EQ(s->end(), 1);
    EXPECT_EQ(writes(1), 1u);  // sent once, and refused
}

INSTANTIATE_TEST_SUITE_P(Families, ToolErrors, ::testing::ValuesIn(tool_families()), family_name);

}  // namespace
