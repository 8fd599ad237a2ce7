// get and set: values written through zevahv reach exactly the listed
// channels, come back formatted by the parameter's properties, and choices
// and states are taken by their names.
#include <cctype>
#include <cmath>
#include <algorithm>
#include <cstdio>

#include "tool_families.h"

namespace {

class ToolValues : public ToolTest {};

// The decimals a parameter lists; two where the system gives none.
int decimals_of(const Json& p) { return p["decimals"].is_null() ? 2 : p["decimals"].get<int>(); }

// A value inside the parameter's range with its decimals, other than `not_this`.
double pick_inside(const Json& p, double not_this) {
    double lo = p["min"], hi = p["max"];
    double scale = std::pow(10.0, decimals_of(p));
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
    auto s = session();
    Json params = s->ask("params 0 --json");
    auto p = find_param(params, is_writable_number);
    if (!p) GTEST_SKIP() << "no writable numeric channel parameter";
    std::string name = (*p)["name"];
    int decimals = decimals_of(*p);
    // Every channel but one where there are several: that one keeps its value.
    int n = params[0]["channels"];
    std::vector<int> wanted = n >= 4 ? std::vector<int>{0, 1, 3} : std::vector<int>{0};
    int spared = n >= 4 ? 2 : n >= 2 ? 1 : -1;
    // Channels with limits of their own (a crate supply's outputs) are
    // left out of the list, and a value of channel 0's range is refused
    // for them before anything is sent.
    std::vector<int> listed;
    int other = -1;
    for (int c : wanted) {
        Json own = c == 0 ? params : s->ask("params 0 --channel " + std::to_string(c) + " --json");
        auto q = find_param(own, [&](const Json& x) { return x["name"] == name; });
        ASSERT_TRUE(q) << own;
        if ((*q)["min"] == (*p)["min"] && (*q)["max"] == (*p)["max"])
            listed.push_back(c);
        else
            other = c;
    }
    std::string list;
    for (int c : listed) list += (list.empty() ? "" : ",") + std::to_string(c);

    double old = 0;
    if (spared >= 0) old = s->ask("get 0 " + name + " --channel " + std::to_string(spared))["values"][0]["value"];
    double v = pick_inside(*p, old);
    std::string value = text_of(v, decimals);
    if (other >= 0) {
        Json refused = s->ask("set 0 " + name + " " + value + " --channel 0," + std::to_string(other));
        EXPECT_EQ(refused["exit"], 5) << refused;
        std::string why = refused["error"], tail = " on channel " + std::to_string(other);
        EXPECT_EQ(why.substr(why.size() - std::min(why.size(), tail.size())), tail) << why;
    }
    Json set = s->ask("set 0 " + name + " " + value + " --channel " + list);
    ASSERT_EQ(set["values"].size(), listed.size()) << set;
    for (size_t i = 0; i < listed.size(); ++i) {
        EXPECT_EQ(set["values"][i]["channel"], listed[i]);
        EXPECT_NEAR(set["values"][i]["value"].get<double>(), v, 1e-6) << set;
    }
    Json after = s->ask("get 0 " + name + " --channel all");
    ASSERT_EQ(after["values"].size(), static_cast<size_t>(n));
    if (spared >= 0) {
        EXPECT_DOUBLE_EQ(after["values"][spared]["value"].get<double>(), old);
    }
    EXPECT_NEAR(after["values"][listed.back()]["value"].get<double>(), v, 1e-6);
    s->end();
    // The device saw the writes: one request for the list, or one a channel.
    size_t w = writes(1);
    EXPECT_TRUE(w == 1 || w == listed.size()) << w;
}

TEST_P(ToolValues, ChoicesAndStatesByTheirNames) {
    start_sim();
    auto s = session();
    Json params = s->ask("params 0 --json");
    auto c = find_param(params, is_writable_choice);
    auto st = find_param(params, is_writable_state);
    if (!c && !st) GTEST_SKIP() << "no writable choice or two-state channel parameter";
    if (c) {
        std::string name = (*c)["name"];
        std::string last = (*c)["choices"].back();
        Json set = s->ask("set 0 " + name + " '" + last + "' --channel 0");
        EXPECT_EQ(set["values"][0]["text"].get<std::string>().rfind(last, 0), 0u) << set;
        EXPECT_EQ(set["values"][0]["value"], (*c)["max"].get<int>());
        Json first = s->ask("set 0 " + name + " #0 --channel 0");
        EXPECT_EQ(first["values"][0]["value"], 0) << first;
    }
    if (st) {
        std::string name = (*st)["name"];
        std::string on = (*st)["on"];
        std::string off = (*st)["off"];
        // Case does not matter for a state's text.
        std::string shouted = on;
        for (auto& ch : shouted) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        Json set_on = s->ask("set 0 " + name + " '" + shouted + "' --channel 0");
        EXPECT_EQ(set_on["values"][0]["value"], 1) << set_on;
        EXPECT_EQ(set_on["values"][0]["text"], on);
        Json set_off = s->ask("set 0 " + name + " 0 --channel 0");
        EXPECT_EQ(set_off["values"][0]["value"], 0) << set_off;
        EXPECT_EQ(set_off["values"][0]["text"], off);
    }
    EXPECT_EQ(s->end(), 0) << s->err();
}

// A board parameter is one value; people read a value with its decimals
// and unit, as the JSON's text has it.
TEST_P(ToolValues, BoardValuesAndThePeoplesForm) {
    start_sim();
    std::string name = GetParam().watch_param;
    ToolResult r = batch({"params 0 --board --json", "get 0 " + name + " --channel 0 --json",
                          "get 0 " + name + " --channel 0"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    size_t first = r.out.find('\n'), second = r.out.find('\n', first + 1);
    ASSERT_NE(second, std::string::npos) << r.out;
    Json board = Json::parse(r.out.substr(0, first));
    Json value = Json::parse(r.out.substr(first + 1, second - first - 1));
    std::string shown = value["values"][0]["text"];
    EXPECT_EQ(r.out.substr(second + 1), "channel  " + name + "\n0        " + shown + "\n");
    std::string unit = value["unit"];
    if (!unit.empty()) {
        EXPECT_EQ(shown.substr(shown.size() - unit.size() - 1), " " + unit);
    }

    std::string readable;
    for (const auto& p : board[0]["board"])
        if (p["mode"] != "W" && p["type"] != "command") readable = p["name"];
    if (readable.empty()) return;
    ToolResult b = batch({"get 0 " + readable + " --json"});
    ASSERT_EQ(b.exit_code, 0) << b.err;
    Json v = Json::parse(b.out);
    EXPECT_EQ(v["level"], "board");
    ASSERT_EQ(v["values"].size(), 1u);
    EXPECT_FALSE(v["values"][0].contains("channel"));
}

INSTANTIATE_TEST_SUITE_P(Families, ToolValues, ::testing::ValuesIn(tool_families()), family_name);

}  // namespace
