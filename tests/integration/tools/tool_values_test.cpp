// get and set: values written through zevahv reach exactly the listed
// channels, come back formatted by the parameter's properties, and choices
// and states are taken by their names.
#include <cctype>
#include <cmath>
#include <cstdio>

#include "tool_families.h"

namespace {

class ToolValues : public ToolTest {};

// A value inside the parameter's range with its decimals, other than `not_this`.
double pick_inside(const Json& p, double not_this) {
    double lo = p["min"], hi = p["max"];
    double scale = std::pow(10.0, p["decimals"].get<int>());
    double v = std::round((lo + (hi - lo) / 3) * scale) / scale;
    if (v == not_this) v = std::round((lo + 2 * (hi - lo) / 3) * scale) / scale;
    return v;
}

std::string text_of(double v, int decimals) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    return buf;
}

TEST_P(ToolValues, SetReachesExactlyTheListedChannels) {
    start_sim();
    auto p = find_param(is_writable_number);
    ASSERT_TRUE(p) << "no writable numeric channel parameter";
    std::string name = (*p)["name"];
    int decimals = (*p)["decimals"];

    Json before = zevahv_json({"get", "0", name, "--channel", "2"});
    double old2 = before["values"][0]["value"];
    double v = pick_inside(*p, old2);

    Json set = zevahv_json({"set", "0", name, text_of(v, decimals), "--channel", "0-1,3"});
    ASSERT_EQ(set["values"].size(), 3u);
    int expected_channels[] = {0, 1, 3};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(set["values"][i]["channel"], expected_channels[i]);
        EXPECT_DOUBLE_EQ(set["values"][i]["value"].get<double>(), v);
    }

    // Channel 2 kept its value, and the module saw one set per listed channel.
    Json after = zevahv_json({"get", "0", name, "--channel", "0-3"});
    ASSERT_EQ(after["values"].size(), 4u);
    EXPECT_DOUBLE_EQ(after["values"][2]["value"].get<double>(), old2);
    EXPECT_DOUBLE_EQ(after["values"][3]["value"].get<double>(), v);
    auto sets = set_commands(*sim_);
    ASSERT_EQ(sets.size(), 3u);
    EXPECT_NE(sets[0].find(",CH:0,"), std::string::npos) << sets[0];
    EXPECT_NE(sets[1].find(",CH:1,"), std::string::npos) << sets[1];
    EXPECT_NE(sets[2].find(",CH:3,"), std::string::npos) << sets[2];

    // People's form: the value with the parameter's decimals (and its unit).
    ToolResult r = zevahv({"get", "0", name, "--channel", "3"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    std::string unit = (*p)["unit"];
    std::string shown = text_of(v, decimals) + (unit.empty() ? "" : " " + unit);
    size_t row = r.out.find("\n3 ");
    ASSERT_NE(row, std::string::npos) << r.out;
    EXPECT_EQ(r.out.substr(r.out.size() - shown.size() - 1), shown + "\n") << r.out;
}

TEST_P(ToolValues, ChoicesAndStatesByTheirNames) {
    start_sim();
    if (auto c = find_param(is_writable_choice)) {
        std::string name = (*c)["name"];
        std::string last = (*c)["choices"].back();
        Json set = zevahv_json({"set", "0", name, last, "--channel", "4"});
        EXPECT_EQ(set["values"][0]["text"].get<std::string>().rfind(last, 0), 0u) << set;
        EXPECT_EQ(set["values"][0]["value"], (*c)["max"].get<int>());
        Json first = zevahv_json({"set", "0", name, "#0", "--channel", "4"});
        EXPECT_EQ(first["values"][0]["value"], 0) << first;
    }
    auto s = find_param(is_writable_state);
    if (!s) GTEST_SKIP() << "no writable two-state channel parameter";
    std::string name = (*s)["name"];
    std::string on = (*s)["on"];
    std::string off = (*s)["off"];
    // Case does not matter for a state's text.
    std::string shouted = on;
    for (auto& ch : shouted) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    Json set_on = zevahv_json({"set", "0", name, shouted, "--channel", "1"});
    EXPECT_EQ(set_on["values"][0]["value"], 1);
    EXPECT_EQ(set_on["values"][0]["text"], on);
    Json set_off = zevahv_json({"set", "0", name, "0", "--channel", "1"});
    EXPECT_EQ(set_off["values"][0]["value"], 0);
    EXPECT_EQ(set_off["values"][0]["text"], off);
}

TEST_P(ToolValues, BoardParameterReadAsOneValue) {
    start_sim();
    Json doc = zevahv_json({"params", "0", "--board"});
    std::string readable;
    for (const auto& p : doc[0]["board"])
        if (p["mode"] != "W" && p["type"] != "command") readable = p["name"];
    if (readable.empty()) GTEST_SKIP() << "no readable board parameter";
    Json v = zevahv_json({"get", "0", readable});
    EXPECT_EQ(v["level"], "board");
    ASSERT_EQ(v["values"].size(), 1u);
    EXPECT_FALSE(v["values"][0].contains("channel"));
}

INSTANTIATE_TEST_SUITE_P(Families, ToolValues, ::testing::ValuesIn(tool_families()), family_name);

}  // namespace
