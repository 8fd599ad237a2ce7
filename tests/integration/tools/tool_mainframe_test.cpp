// What only the crates have: users, empty slots, system properties and
// commands, and events that the crate itself sends from its own address
// (a stream to our port, or datagrams from a legacy crate).
#include <signal.h>

#include <set>

#include "tool_families.h"

namespace {

class ToolMainframe : public ToolTest {
protected:
    std::vector<std::string> as_user(const std::string& user, const std::string& password) const {
        std::vector<std::string> args = system_args();
        for (size_t i = 0; i + 1 < args.size(); ++i) {
            if (args[i] == "--user") args[i + 1] = user;
            if (args[i] == "--password") args[i + 1] = password;
        }
        return args;
    }
    void control(const std::string& line) { EXPECT_EQ(sim_->control(line).rfind("OK", 0), 0u) << line; }
};

TEST_P(ToolMainframe, UsersAndTheCrateMapWithEmptySlots) {
    start_sim();
    std::vector<std::string> wrong = as_user("admin", "nimda");
    wrong.push_back("info");
    ToolResult denied = run_tool(wrong);
    EXPECT_EQ(denied.exit_code, 3);
    EXPECT_NE(denied.err.find("cannot open the system: "), std::string::npos) << denied.err;
    EXPECT_NE(denied.err.find("(code 4103)"), std::string::npos) << denied.err;

    ToolResult r = batch({"info --json", "params 2", "get 5 VMon --channel 0", "info"}, {"--keep-going"});
    EXPECT_EQ(r.exit_code, 4) << r.err;
    Json info = Json::parse(r.out.substr(0, r.out.find('\n')));
    ASSERT_EQ(info["slots"].size(), 6u);
    std::set<int> empty;
    for (const auto& s : info["slots"])
        if (!s["present"].get<bool>()) empty.insert(s["slot"].get<int>());
    EXPECT_EQ(empty, (std::set<int>{2, 5}));
    EXPECT_EQ(info["slots"][4]["channels"], 48);
    std::set<std::string> commands(info["commands"].begin(), info["commands"].end());
    EXPECT_TRUE(commands.count("Kill") && commands.count("ClearAlarm")) << info["commands"];
    bool model_named = false;
    for (const auto& p : info["properties"])
        if (p["name"] == "ModelName") model_named = p["value"] == GetParam().name;
    EXPECT_TRUE(model_named) << info["properties"];
    EXPECT_NE(r.err.find("line 2: slot 2 is empty (code 7)"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("line 3: slot 5 is empty (code 7)"), std::string::npos) << r.err;
    EXPECT_NE(r.out.find("\n2     (empty)\n"), std::string::npos) << r.out;

    // A user who may only read.
    std::vector<std::string> guest = as_user("guest", "guest");
    for (const char* a : {"set", "0", "VSet", "10", "--channel", "0"}) guest.push_back(a);
    ToolResult refused = run_tool(guest);
    EXPECT_EQ(refused.exit_code, 1);
    EXPECT_NE(refused.err.find("setting VSet on slot 0 channel 0: User has no write access (code 18)"),
              std::string::npos)
        << refused.err;
}

TEST_P(ToolMainframe, SystemPropertiesAndCommands) {
    start_sim();
    auto s = session();
    Json props = s->ask("sysprop get");
    ASSERT_TRUE(props.is_array()) << props;
    std::set<std::string> names;
    for (const auto& p : props) names.insert(p["name"].get<std::string>());
    EXPECT_TRUE(names.count("SymbolicName") && names.count("ModelName")) << props;

    // A text with blanks, quoted as in a shell, and read back.
    Json set = s->ask("sysprop set SymbolicName 'HV crate 2'");
    EXPECT_EQ(set["value"], "HV crate 2") << set;
    EXPECT_EQ(s->ask("sysprop get SymbolicName")["value"], "HV crate 2");
    EXPECT_EQ(sim_->control("sys SymbolicName"), "OK HV crate 2");
    Json unknown = s->ask("sysprop set NoSuchProp 1");
    EXPECT_EQ(unknown["exit"], 4) << unknown;
    EXPECT_EQ(unknown["code"], 14) << unknown;
    Json too_long = s->ask("sysprop set SymbolicName " + std::string(300, 'x'));
    EXPECT_EQ(too_long["exit"], 5) << too_long;

    // A tripped channel, cleared by ClearAlarm; Kill switches outputs off.
    control("set 0 3 VSet 100");
    control("set 0 3 Pw 1");
    control("trip 0 3");
    unsigned tripped = s->ask("get 0 Status --channel 3")["values"][0]["value"];
    EXPECT_NE(tripped & (1u << 9), 0u) << tripped;
    Json cleared = s->ask("exec ClearAlarm");
    EXPECT_EQ(cleared["result"], 0) << cleared;
    unsigned after = s->ask("get 0 Status --channel 3")["values"][0]["value"];
    EXPECT_EQ(after & (1u << 9), 0u) << after;
    EXPECT_EQ(s->ask("set 0 Pw On --channel 3")["values"][0]["value"], 1);
    EXPECT_EQ(s->ask("exec Kill")["result"], 0);
    EXPECT_EQ(s->ask("get 0 Pw --channel 3")["values"][0]["value"], 0);
    Json nope = s->ask("exec NoSuchCommand");
    EXPECT_EQ(nope["exit"], 4) << nope;
    EXPECT_EQ(nope["code"], 15) << nope;
    EXPECT_EQ(s->end(), 4);
}

// Values, a text property, a board parameter and (current crates) a board
// pulled, as the crate sends them to the port monitor listens on.
TEST_P(ToolMainframe, EventsComeFromTheCrate) {
    start_sim();
    RunningTool tool(with_system({"monitor", "0.3.VMon", "0.HVMax", "sys.SymbolicName", "--json",
                                  "--seconds", "60"}));
    // The first values of the new items come at once.
    std::set<std::string> first;
    std::string line;
    while (first.size() < 3 && tool.next_line(line, 30000)) first.insert(Json::parse(line)["item"].get<std::string>());
    ASSERT_EQ(first, (std::set<std::string>{"0.3.VMon", "0.HVMax", "SymbolicName"})) << tool.err();

    control("set 0 3 VSet 500");
    control("set 0 3 Pw 1");
    control("set 0 -1 HVMax 2500");
    control("sys SymbolicName Crate B");
    bool live = GetParam().events == ToolFamily::Events::kCrateStream;
    if (live) control("pull 4");
    double last_vmon = 0;
    int rising = 0;
    bool hvmax = false, text = false, pulled = !live;
    while ((rising < 3 || !hvmax || !text || !pulled) && tool.next_line(line, 30000)) {
        Json e = Json::parse(line);
        if (e["item"] == "0.3.VMon") {
            EXPECT_EQ(e["slot"], 0);
            EXPECT_EQ(e["channel"], 3);
            EXPECT_EQ(e["unit"], "V");
            double v = e["value"];
            rising += v > last_vmon;
            last_vmon = v;
        } else if (e["item"] == "0.HVMax") {
            EXPECT_FALSE(e.contains("channel"));
            hvmax = hvmax || e["value"] == 2500.0;
        } else if (e["item"] == "SymbolicName") {
            text = text || e["value"] == "Crate B";
        } else if (e["kind"] == "live-insertion") {
            pulled = true;
        }
    }
    EXPECT_GE(rising, 3);
    EXPECT_TRUE(hvmax && text && pulled) << hvmax << text << pulled;
    tool.signal(SIGINT);
    EXPECT_EQ(tool.wait(15000), 0) << tool.err();
}

INSTANTIATE_TEST_SUITE_P(Crates, ToolMainframe, ::testing::ValuesIn(mainframe_families()), family_name);

}  // namespace
