#include "tool_families.h"

void PrintTo(const ToolFamily& f, std::ostream* os) { *os << f.name; }

ToolFamily module_family(const std::string& device, const std::string& system) {
    ToolFamily f;
    f.name = system;
    f.start = [device](const std::vector<std::string>& extra) {
        std::vector<std::string> args{"--tcp", "127.0.0.1:0"};
        args.insert(args.end(), extra.begin(), extra.end());
        return SimProcess::start(device, args);
    };
    f.system_args = [system](const SimProcess& sim) {
        return std::vector<std::string>{"--system", system, "--link", "tcp", "--address",
                                        sim.tcp_arg()};
    };
    return f;
}

const std::vector<ToolFamily>& tool_families() {
    static const std::vector<ToolFamily> families = {
        module_family("q3815", "Q3815"),
        module_family("p731x", "P731X"),
        module_family("q2904", "Q2904"),
        module_family("q2906", "Q2906"),
    };
    return families;
}

std::string family_name(const ::testing::TestParamInfo<ToolFamily>& info) { return info.param.name; }

void ToolTest::start_sim(const std::vector<std::string>& extra) { sim_ = GetParam().start(extra); }

ToolResult ToolTest::zevahv(const std::vector<std::string>& args, int timeout_ms) const {
    std::vector<std::string> all = system_args();
    all.insert(all.end(), args.begin(), args.end());
    return run_tool(all, timeout_ms);
}

Json ToolTest::zevahv_json(const std::vector<std::string>& args) const {
    std::vector<std::string> all = args;
    all.push_back("--json");
    ToolResult r = zevahv(all);
    EXPECT_EQ(r.exit_code, 0) << r.err;
    Json doc = Json::parse(r.out, nullptr, false);
    EXPECT_FALSE(doc.is_discarded()) << "not JSON: " << r.out;
    return doc;
}

std::optional<Json> ToolTest::find_param(const std::function<bool(const Json&)>& want,
                                         bool board) const {
    Json doc = zevahv_json({"params", "0"});
    if (!doc.is_array() || doc.empty()) return std::nullopt;
    const Json& list = doc[0][board ? "board" : "channel_parameters"];
    for (const auto& p : list)
        if (want(p)) return p;
    return std::nullopt;
}

bool is_writable_number(const Json& p) {
    return p["type"] == "numeric" && p["mode"] == "RW" && p["min"].is_number() &&
           p["max"].is_number() && p["max"].get<double>() > p["min"].get<double>();
}

bool is_writable_choice(const Json& p) {
    return p["type"] == "choice" && p["mode"] == "RW" && p["choices"].size() >= 2;
}

bool is_writable_state(const Json& p) {
    return p["type"] == "on/off" && p["mode"] == "RW" && !p["on"].get<std::string>().empty() &&
           !p["off"].get<std::string>().empty();
}

std::vector<std::string> set_commands(const SimProcess& sim) {
    std::vector<std::string> out;
    for (const auto& l : sim.log_lines())
        if (l.rfind("> ", 0) == 0 && l.find("CMD:SET") != std::string::npos) out.push_back(l.substr(2));
    return out;
}
