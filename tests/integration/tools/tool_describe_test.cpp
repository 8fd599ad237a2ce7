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

Json parsed(const std::string& line) {
    Json doc = Json::parse(line, nullptr, false);
    EXPECT_FALSE(doc.is_discarded()) << "not JSON: " << line;
    return doc;
}

class ToolDescribe : public ToolTest {};

// One batch: the JSON documents first (one a line), then the people's
// forms of info and params.
TEST_P(ToolDescribe, CrateMapAndParametersInBothForms) {
    start_sim();
    ToolResult r = batch({"info --json", "params --json", "params 0 --channel 0 --json",
                          "params 0 --board --json", "info", "params 0"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_TRUE(r.err.empty()) << r.err;
    auto lines = lines_of(r.out);
    ASSERT_GT(lines.size(), 4u) << r.out;

    Json info = parsed(lines[0]);
    ASSERT_TRUE(info["slots"].is_array());
    ASSERT_GE(info["slots"].size(), 1u);
    const Json& slot = info["slots"][0];
    EXPECT_TRUE(slot["present"].get<bool>());
    EXPECT_EQ(slot["model"].get<std::string>().rfind(GetParam().model, 0), 0u) << slot;
    if (GetParam().serial) {
        EXPECT_EQ(slot["serial"], *GetParam().serial) << slot;
    }
    if (!GetParam().firmware.empty()) {
        EXPECT_EQ(slot["firmware"], GetParam().firmware) << slot;
    }
    EXPECT_GT(slot["channels"].get<int>(), 0);
    EXPECT_EQ(info["system"]["type"], GetParam().name);
    EXPECT_TRUE(info["properties"].is_array());
    EXPECT_TRUE(info["commands"].is_array());

    Json all = parsed(lines[1]);
    ASSERT_TRUE(all.is_array());
    ASSERT_GE(all.size(), 1u);
    const Json& chans = all[0]["channel_parameters"];
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
    for (const auto& p : all[0]["board"]) EXPECT_EQ(p["level"], "board");

    Json one = parsed(lines[2]);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0]["channel"], 0);
    EXPECT_FALSE(one[0].contains("board"));
    Json board = parsed(lines[3]);
    ASSERT_EQ(board.size(), 1u);
    EXPECT_FALSE(board[0].contains("channel_parameters"));
    EXPECT_TRUE(board[0].contains("board"));

    // People's info: the system named, the serial in the slot's row.
    ASSERT_EQ(lines[4].rfind(GetParam().name + " at ", 0), 0u) << lines[4];
    if (GetParam().serial) {
        EXPECT_NE(r.out.find(std::to_string(*GetParam().serial)), std::string::npos) << r.out;
    }
    // People's params: every row of the channel table starts its columns
    // where the header does.
    size_t header = 0;
    for (size_t i = 4; i < lines.size(); ++i)
        if (lines[i].rfind("channel parameters", 0) == 0) header = i + 1;
    ASSERT_GT(header, 0u) << r.out;
    size_t type_col = lines[header].find("type");
    size_t mode_col = lines[header].find("mode");
    ASSERT_NE(type_col, std::string::npos);
    ASSERT_EQ(lines.size(), header + 1 + chans.size()) << r.out;
    for (size_t i = header + 1; i < lines.size(); ++i) {
        const std::string& row = lines[i];
        std::string name = chans[i - header - 1]["name"];
        EXPECT_EQ(row.find(name), 2u) << row;
        EXPECT_NE(row[type_col], ' ') << row;
        EXPECT_EQ(row[type_col - 1], ' ') << row;
        EXPECT_NE(row[mode_col], ' ') << row;
    }
}

INSTANTIATE_TEST_SUITE_P(Families, ToolDescribe, ::testing::ValuesIn(tool_families()), family_name);

}  // namespace
