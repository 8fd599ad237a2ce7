#include "mainframe/options.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cctype>

#include <CLI/CLI.hpp>

#include "mainframe/reply_faults.h"

namespace sim::mf {

namespace {

bool loopback(const std::string& host) {
    in_addr a{};
    return inet_pton(AF_INET, host.c_str(), &a) == 1 && (ntohl(a.s_addr) >> 24) == 127;
}

std::string upper(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::toupper(c); });
    return s;
}

} // namespace

std::optional<std::string> parse_run_options(const std::string& word, const std::vector<std::string>& args,
                                             RunOptions& o) {
    if (word != "mainframe") o.model = upper(word);
    CLI::App app{"zevahv-sim mainframe"};
    app.set_help_flag();
    std::string tcp, control, model;
    std::vector<std::string> users;
    app.add_flag("--help,-h", o.help);
    app.add_flag("--print-crate", o.print_crate);
    app.add_option("--crate", o.crate);
    app.add_option("--model", model);
    app.add_flag("--legacy", o.legacy);
    app.add_option("--tcp", tcp);
    app.add_option("--user", users);
    app.add_option("--log", o.mainframe.log_path);
    app.add_option("--tick", o.mainframe.tick_ms)->check(CLI::Range(10, 10000));
    app.add_option("--keepalive", o.mainframe.keepalive_ms)->check(CLI::Range(100, 600000));
    app.add_option("--max-sessions", o.mainframe.max_sessions)->check(CLI::Range(1, 1000));
    app.add_option("--max-items", o.mainframe.max_items)->check(CLI::Range(1, 1000000));
    app.add_option("--ripple", o.mainframe.ripple_ms)->check(CLI::Range(0, 600000));
    app.add_option("--fault", o.fault);
    app.add_option("--control", control);
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::ParseError& e) {
        return std::string(e.what());
    }
    if (o.help || o.print_crate) return std::nullopt;
    if (!model.empty()) {
        if (model.size() > kMaxModelText || model.find(':') != std::string::npos)
            return "--model: a model text of 1 to 15 characters without ':'";
        o.model = model;
    }
    if (!tcp.empty()) {
        auto colon = tcp.rfind(':');
        if (colon == std::string::npos) return "--tcp wants HOST:PORT";
        std::string host = tcp.substr(0, colon), port = tcp.substr(colon + 1);
        if (!loopback(host)) return "--tcp: " + host + " is not a loopback address (127.0.0.0/8)";
        if (port.empty() || port.size() > 5 || !std::all_of(port.begin(), port.end(), ::isdigit) ||
            std::stol(port) > 65535)
            return "--tcp: bad port in " + tcp;
        o.tcp_host = host;
        o.tcp_port = static_cast<int>(std::stol(port));
    }
    for (const auto& u : users) {
        auto colon = u.find(':');
        if (colon == std::string::npos || colon == 0) return "--user wants NAME:PASSWORD";
        o.mainframe.extra_users.push_back({u.substr(0, colon), u.substr(colon + 1), true});
    }
    if (o.fault && !parse_reply_fault(*o.fault)) return "--fault: unknown fault \"" + *o.fault + "\"";
    if (!control.empty())
        if (auto e = parse_control_address(control, o.control)) return "--control: " + *e;
    return std::nullopt;
}

std::optional<CrateSpec> crate_of(const RunOptions& o, std::string& error) {
    auto spec = is_builtin_crate(o.crate) ? load_crate_json(builtin_crate_json(o.crate), error)
                                          : load_crate_file(o.crate, error);
    if (!spec) return std::nullopt;
    if (o.model) {
        spec->model = *o.model;
        spec->generation = generation_of_model(*o.model);
    }
    if (o.legacy) {
        spec->generation = Generation::Legacy;
        if (!o.model && generation_of_model(spec->model) != Generation::Legacy) spec->model = "KR2210";
    }
    return spec;
}

} // namespace sim::mf
