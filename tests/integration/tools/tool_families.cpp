#include "tool_families.h"

#include "comm_stand_in.h"
#include "loopback.h"

namespace {

bool starts_with(const std::string& s, const std::string& prefix) { return s.rfind(prefix, 0) == 0; }

// A module served by `zevahv-sim <device>` over loopback TCP, started with
// a serial number and firmware release of the test's choice.
ToolFamily module_family(const std::string& device, const std::string& system, const std::string& model,
                         const std::string& watch, bool has_serial = true) {
    ToolFamily f;
    f.name = system;
    f.model = model;
    f.watch_param = watch;
    if (has_serial) f.serial = 4321;
    f.firmware = "2.7";
    f.start = [device](const std::vector<std::string>& extra) {
        std::vector<std::string> args{"--tcp", "127.0.0.1:0", "--serial", "4321", "--fwrel", "2.7"};
        args.insert(args.end(), extra.begin(), extra.end());
        return SimProcess::start(device, args);
    };
    f.system_args = [system](const SimProcess* sim) {
        return std::vector<std::string>{"--system", system, "--link", "tcp", "--address",
                                        sim->tcp_arg()};
    };
    f.unreachable = [system] {
        return std::vector<std::string>{"--system", system, "--address",
                                        "127.0.0.1:" + std::to_string(free_port()) + "_0"};
    };
    f.is_write = [](const std::string& line) { return line.find("CMD:SET") != std::string::npos; };
    f.refuse_writes = [](SimProcess* sim) { EXPECT_EQ(sim->control("local 0 on").rfind("OK", 0), 0u); };
    f.refusal_code = 2;  // the module answers LOC
    f.silence = [](SimProcess* sim) { EXPECT_EQ(sim->control("fault silent").rfind("OK", 0), 0u); };
    return f;
}

// The crate of `zevahv-sim <device>` on a loopback address of its own,
// logged in as admin.
ToolFamily mainframe_family(const std::string& device, const std::string& system, bool legacy) {
    ToolFamily f;
    f.name = system;
    f.model = "ZB3012P";  // the built-in crate's board in slot 0
    f.serial = 1201;
    f.firmware = "1.4";
    f.watch_param = "VMon";
    f.events = legacy ? ToolFamily::Events::kCrateDatagrams : ToolFamily::Events::kCrateStream;
    f.start = [device, legacy](const std::vector<std::string>& extra) {
        // A legacy crate's port is always 2527: its address keeps it apart.
        std::vector<std::string> args{"--tcp", private_loopback_host() + (legacy ? ":2527" : ":0")};
        args.insert(args.end(), extra.begin(), extra.end());
        return SimProcess::start(device, args);
    };
    f.system_args = [system, legacy](const SimProcess* sim) {
        std::string address = sim->host() + (legacy ? "" : ":" + std::to_string(sim->port()));
        return std::vector<std::string>{"--system", system, "--address", address,
                                        "--user", "admin", "--password", "admin"};
    };
    f.unreachable = [system, legacy] {
        std::string address = private_loopback_host();
        if (!legacy) address += ":" + std::to_string(free_port());
        return std::vector<std::string>{"--system", system, "--address", address,
                                        "--user", "admin", "--password", "admin"};
    };
    f.is_write = [](const std::string& line) {
        return starts_with(line, "> SETCHPARAM") || starts_with(line, "> SETBDPARAM");
    };
    f.refuse_writes = [](SimProcess* sim) {
        EXPECT_EQ(sim->control("fault refuse 18 for SETCHPARAM").rfind("OK", 0), 0u);
    };
    f.refusal_code = 18;
    // A crate sends what changes, and with no output on nothing does.
    f.silence = [](SimProcess*) {};
    f.keep_changing = [](SimProcess* sim) {
        // Channel 0 of slot 0 ramps up at 50 V/s for a minute.
        EXPECT_EQ(sim->control("set 0 0 VSet 3000").rfind("OK", 0), 0u);
        EXPECT_EQ(sim->control("set 0 0 Pw 1").rfind("OK", 0), 0u);
    };
    return f;
}

// A board of the stand-in communication library, which zevahv loads.
ToolFamily register_family(const std::string& system, const std::string& address,
                           const std::string& model, unsigned serial, const std::string& firmware,
                           std::vector<std::string> links, int refusal_code) {
    ToolFamily f;
    f.links = std::move(links);
    f.name = system;
    f.model = model;
    f.serial = serial;
    f.firmware = firmware;
    f.watch_param = "VMon";
    f.system_args = [system, address](const SimProcess*) {
        return std::vector<std::string>{"--system", system, "--link", "usb", "--address", address};
    };
    f.unreachable = [args = f.system_args(nullptr)] {
        // The stand-in finds no device there.
        CommStandIn::get().set_faults("open\n");
        return args;
    };
    f.is_write = [](const std::string& line) { return starts_with(line, "write"); };
    f.refuse_writes = [](SimProcess*) { CommStandIn::get().set_faults("write16\nwrite32\n"); };
    f.refusal_code = refusal_code;
    f.silence = [](SimProcess*) { CommStandIn::get().set_faults("multiread\n"); };
    return f;
}

}  // namespace

void PrintTo(const ToolFamily& f, std::ostream* os) { *os << f.name; }

const std::vector<ToolFamily>& tool_families() {
    static const std::vector<ToolFamily> families = [] {
        std::vector<ToolFamily> all = {
            module_family("q3815", "Q3815", "Q3815", "VMon"),
            module_family("p731x", "P731X", "P731X", "FineGain"),
            module_family("q2904", "Q2904", "Q2904", "Threshold"),
            module_family("q2906", "Q2906", "Q2906", "SlowFGain"),
            module_family("rd40xxe", "RD40XXE", "RD4020E", "VMon"),
            module_family("w7300", "W7300", "W7300", "VMon"),
            module_family("lumenhv", "LUMENHV", "LUMENHV", "VMon"),
            module_family("kqps", "KQPS", "KQPS300-30", "VMon", false),
            module_family("zbk", "ZBK", "ZBK", "V48", false),
        };
        // KQPS writes are "WORD:value" and bare commands, reads "WORD:?".
        all[7].is_write = [](const std::string& line) {
            return starts_with(line, "> ") && line.back() != '?';
        };
        for (auto& f : mainframe_families()) all.push_back(f);
        for (auto& f : register_families()) all.push_back(f);
        return all;
    }();
    return families;
}

std::vector<ToolFamily> mainframe_families() {
    return {mainframe_family("kr2440", "KR2440", false), mainframe_family("kr2210", "KR2210", true)};
}

std::vector<ToolFamily> register_families() {
    // A failed write is a 3 of a VME board, a 2 of a desktop unit (which
    // reads its control word before it writes it); the desktop units are
    // on USB links only.
    std::vector<ToolFamily> all = {
        register_family("W40XX", "0_0_32100000", "W4012", 1234, "0.5",
                        {"USB", "OPTLINK", "USB3", "B7301"}, 3),
        register_family("RD40XX", "0_0", "RD40XX", 0, "1.3", {"USB", "USB3"}, 2)};
    // An RD40XX open asks its six scales through its control register and
    // writes the control word back.
    all[1].writes_at_open = 7;
    return all;
}

std::string family_name(const ::testing::TestParamInfo<ToolFamily>& info) { return info.param.name; }

ToolSession::ToolSession(const std::vector<std::string>& system_args)
    : tool_([&] {
          std::vector<std::string> args = system_args;
          for (const char* a : {"batch", "--json", "--keep-going"}) args.push_back(a);
          return args;
      }(),
            true) {}

Json ToolSession::ask(const std::string& line) {
    auto docs = ask_lines(line, 1);
    return docs.empty() ? Json() : docs.front();
}

std::vector<Json> ToolSession::ask_lines(const std::string& line, size_t lines) {
    tool_.write_line(line);
    std::vector<Json> out;
    std::string text;
    while (out.size() < lines && tool_.next_line(text, 60000)) {
        Json doc = Json::parse(text, nullptr, false);
        EXPECT_FALSE(doc.is_discarded()) << line << ": not JSON: " << text;
        out.push_back(doc);
    }
    EXPECT_EQ(out.size(), lines) << line << ": " << tool_.err();
    return out;
}

int ToolSession::end() {
    tool_.close_input();
    return tool_.wait(60000);
}

void ToolTest::start_sim(const std::vector<std::string>& extra) {
    if (GetParam().start) {
        sim_ = GetParam().start(extra);
        return;
    }
    // The stand-in: zevahv finds it through the environment it inherits.
    CommStandIn& comm = CommStandIn::get();
    comm.set_faults("");
    log_mark_ = comm.log_mark();
}

std::vector<std::string> ToolTest::with_system(const std::vector<std::string>& args) const {
    std::vector<std::string> all = system_args();
    all.insert(all.end(), args.begin(), args.end());
    return all;
}

ToolResult ToolTest::zevahv(const std::vector<std::string>& args, int timeout_ms) const {
    return run_tool(with_system(args), timeout_ms);
}

ToolResult ToolTest::batch(const std::vector<std::string>& lines,
                           const std::vector<std::string>& options) const {
    std::vector<std::string> args = with_system({"batch"});
    args.insert(args.end(), options.begin(), options.end());
    std::string input;
    for (const auto& l : lines) input += l + "\n";
    return run_tool(args, 60000, input);
}

std::unique_ptr<ToolSession> ToolTest::session() const {
    return std::make_unique<ToolSession>(system_args());
}

std::optional<Json> ToolTest::find_param(const Json& params,
                                         const std::function<bool(const Json&)>& want, bool board) {
    if (!params.is_array() || params.empty()) return std::nullopt;
    const Json& list = params[0][board ? "board" : "channel_parameters"];
    for (const auto& p : list)
        if (want(p)) return p;
    return std::nullopt;
}

size_t ToolTest::writes(size_t opens) const {
    size_t n = 0;
    if (sim_) {
        for (const auto& l : sim_->log_lines()) n += GetParam().is_write(l);
    } else {
        for (const auto& l : CommStandIn::get().log_since(log_mark_)) n += GetParam().is_write(l);
    }
    size_t by_opens = opens * GetParam().writes_at_open;
    EXPECT_GE(n, by_opens);
    return n - by_opens;
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

bool is_readable_number(const Json& p) { return p["type"] == "numeric" && p["mode"] != "W"; }
