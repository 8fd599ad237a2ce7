// info and params: what the library says about the system, for people and
// for scripts.
#include <sstream>

#include "tool_families.h"

namespace {

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) out.push_back(l);
    return out;
}

class ToolDescribe : public ToolTest {};

TEST_P(ToolDescribe, InfoShowsTheCrateMapInBothForms) {
    start_sim({"--serial", "4321", "--fwrel", "2.7"});
    Json doc = zevahv_json({"info"});
    ASSERT_TRUE(doc["slots"].is_array());
    ASSERT_GE(doc["slots"].size(), 1u);
    const Json& slot = doc["slots"][0];
    EXPECT_TRUE(slot["present"].get<bool>());
    EXPECT_EQ(slot["model"].get<std::string>().rfind(GetParam().name, 0), 0u) << slot;
    EXPECT_EQ(slot["serial"], 4321);
    EXPECT_EQ(slot["firmware"], "2.7");
    EXPECT_GT(slot["channels"].get<int>(), 0);
    EXPECT_EQ(doc["system"]["type"], GetParam().name);
    EXPECT_EQ(doc["system"]["link"], "TCP/IP");
    EXPECT_TRUE(doc["properties"].is_array());

    ToolResult r = zevahv({"info"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_NE(r.out.find(GetParam().name + " at 127.0.0.1:" + std::to_string(sim_->port())),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("4321"), std::string::npos) << r.out;
    EXPECT_TRUE(r.err.empty()) << r.err;
}

TEST_P(ToolDescribe, ParamsDescribeEveryParameterInAlignedColumns) {
    start_sim();
    Json doc = zevahv_json({"params"});
    ASSERT_TRUE(doc.is_array());
    ASSERT_EQ(doc.size(), 1u);
    const Json& chans = doc[0]["channel_parameters"];
    ASSERT_FALSE(chans.empty());
    for (const auto& p : chans) {
        EXPECT_FALSE(p["name"].get<std::string>().empty());
        EXPECT_EQ(p["level"], "channel");
        if (p["type"] == "choice") {
            EXPECT_EQ(p["choices"].size(), p["max"].get<double>() - p["min"].get<double>() + 1) << p;
        } else if (p["type"] == "on/off") {
            EXPECT_TRUE(p.contains("on") && p.contains("off")) << p;
        } else if (p["type"] == "numeric") {
            EXPECT_TRUE(p.contains("decimals") && p.contains("unit")) << p;
        }
    }
    for (const auto& p : doc[0]["board"]) EXPECT_EQ(p["level"], "board");

    // People's form: every row of the channel table starts its columns where
    // the header does.
    ToolResult r = zevahv({"params", "0"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    auto lines = lines_of(r.out);
    size_t header = 0;
    for (size_t i = 0; i < lines.size(); ++i)
        if (lines[i].rfind("channel parameters", 0) == 0) header = i + 1;
    ASSERT_GT(header, 0u) << r.out;
    size_t type_col = lines[header].find("type");
    size_t mode_col = lines[header].find("mode");
    ASSERT_NE(type_col, std::string::npos);
    for (size_t i = header + 1; i < lines.size() && i <= header + chans.size(); ++i) {
        const std::string& row = lines[i];
        std::string name = chans[i - header - 1]["name"];
        EXPECT_EQ(row.find(name), 2u) << row;
        EXPECT_NE(row[type_col], ' ') << row;
        EXPECT_EQ(row[type_col - 1], ' ') << row;
        EXPECT_NE(row[mode_col], ' ') << row;
    }
}

TEST_P(ToolDescribe, OneChannelsParametersAndTheBoardsAlone) {
    start_sim();
    Json one = zevahv_json({"params", "0", "--channel", "1"});
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0]["channel"], 1);
    EXPECT_FALSE(one[0].contains("board"));
    Json board = zevahv_json({"params", "0", "--board"});
    ASSERT_EQ(board.size(), 1u);
    EXPECT_FALSE(board[0].contains("channel_parameters"));
    EXPECT_TRUE(board[0].contains("board"));
}

INSTANTIATE_TEST_SUITE_P(Families, ToolDescribe, ::testing::ValuesIn(tool_families()), family_name);

}  // namespace
