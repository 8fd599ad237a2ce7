// What only the register-access boards have: the links of the
// communication library by name, no system properties, and (on the
// stand-in, which keeps a board's state only while zevahv has it open) a
// ramp set and watched within one batch.
#include <cctype>

#include "tool_families.h"

namespace {

class ToolRegisters : public ToolTest {
protected:
    std::vector<std::string> on_link(const std::string& link, const std::string& address) const {
        std::vector<std::string> args = system_args();
        for (size_t i = 0; i + 1 < args.size(); ++i) {
            if (args[i] == "--link") args[i + 1] = link;
            if (args[i] == "--address") args[i + 1] = address;
        }
        return args;
    }
    std::string address() const {
        auto args = system_args();
        return args[5];
    }
};

TEST_P(ToolRegisters, EveryLinkOfTheCommunicationLibraryByName) {
    start_sim();
    for (const std::string& link : GetParam().links) {
        // Names are taken in any case.
        std::string lower = link;
        for (auto& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        auto args = on_link(lower, address());
        args.insert(args.end(), {"info", "--json"});
        ToolResult r = run_tool(args);
        ASSERT_EQ(r.exit_code, 0) << link << ": " << r.err;
        Json info = Json::parse(r.out);
        EXPECT_EQ(info["system"]["link"], link);
        EXPECT_EQ(info["slots"][0]["model"].get<std::string>().rfind(GetParam().model, 0), 0u);
    }
    // A serial port is no link of such a board.
    auto vcp = on_link("vcp", address());
    vcp.push_back("info");
    ToolResult refused = run_tool(vcp);
    EXPECT_EQ(refused.exit_code, 3);
    EXPECT_NE(refused.err.find("(code 26)"), std::string::npos) << refused.err;
}

TEST_P(ToolRegisters, NoSystemPropertiesAndARampInOneBatch) {
    start_sim();
    ToolResult r = batch({"info", "sysprop get", "set 0 VSet 300 --channel 2", "set 0 Pw On --channel 2",
                          "monitor 0.2.VMon --count 4 --json"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_NE(r.out.find("\nsystem properties: none\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\nno system properties\n"), std::string::npos) << r.out;
    // The output ramps up at its ramp rate from the set that came before.
    std::vector<double> values;
    size_t at = r.out.find("{\"time\"");
    ASSERT_NE(at, std::string::npos) << r.out;
    for (size_t end; (end = r.out.find('\n', at)) != std::string::npos; at = end + 1)
        values.push_back(Json::parse(r.out.substr(at, end - at))["value"].get<double>());
    ASSERT_EQ(values.size(), 4u) << r.out;
    EXPECT_GT(values.back(), values.front());
    EXPECT_LE(values.back(), 300.0);
}

INSTANTIATE_TEST_SUITE_P(Boards, ToolRegisters, ::testing::ValuesIn(register_families()), family_name);

}  // namespace
