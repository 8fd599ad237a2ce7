#include "cli/options.h"

#include <arpa/inet.h>

#include <algorithm>

#include "devices/registry.h"
#include "model/value_text.h"

namespace sim {

namespace {

std::optional<long> whole(const std::string& s, long lo, long hi) {
    auto v = parse_whole(s);
    if (!v || *v < lo || *v > hi || s.find('.') != std::string::npos) return std::nullopt;
    return v;
}

bool valid_fwrel(const std::string& s) {
    auto dot = s.find('.');
    if (dot == std::string::npos || dot == 0 || dot + 1 == s.size() || s.size() > 11) return false;
    for (size_t i = 0; i < s.size(); ++i)
        if (i != dot && (s[i] < '0' || s[i] > '9')) return false;
    return true;
}

} // namespace

std::optional<std::string> parse_options(const std::vector<std::string>& args, Options& o) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](const char* what) -> std::optional<std::string> {
            if (i + 1 >= args.size()) return std::nullopt;
            (void)what;
            return args[++i];
        };
        if (a == "--help" || a == "-h") {
            o.help = true;
        } else if (a == "--pty") {
            o.pty = true;
        } else if (a == "--local") {
            o.local = true;
        } else if (a == "--no-range") {
            o.no_range = true;
        } else if (a == "--silent") {
            o.fault = {FaultMode::Silent, 0};
        } else if (a == "--garble") {
            o.fault = {FaultMode::Garbage, 0};
        } else if (a == "--tcp" || a == "--boards" || a == "--model" || a == "--channels" ||
                   a == "--serial" || a == "--fwrel" || a == "--log" || a == "--delay" ||
                   a == "--fault" || a == "--control" || a == "--describe") {
            auto v = value(a.c_str());
            if (!v) return a + " needs a value";
            if (a == "--tcp") {
                auto colon = v->rfind(':');
                if (colon == std::string::npos) return "--tcp wants HOST:PORT";
                std::string host = v->substr(0, colon);
                in_addr addr{};
                if (inet_pton(AF_INET, host.c_str(), &addr) != 1)
                    return "--tcp: " + host + " is not an IPv4 address";
                auto port = whole(v->substr(colon + 1), 0, 65535);
                if (!port) return "--tcp: bad port in " + *v;
                o.tcp_host = host;
                o.tcp_port = static_cast<int>(*port);
            } else if (a == "--boards") {
                o.boards.clear();
                size_t start = 0;
                while (start <= v->size()) {
                    auto comma = v->find(',', start);
                    std::string item = v->substr(start, comma - start);
                    auto b = whole(item, 0, 99);
                    if (!b) return "--boards: \"" + item + "\" is not a board address 0..99";
                    if (std::find(o.boards.begin(), o.boards.end(), *b) != o.boards.end())
                        return "--boards: address " + item + " given twice";
                    o.boards.push_back(static_cast<int>(*b));
                    if (comma == std::string::npos) break;
                    start = comma + 1;
                }
            } else if (a == "--model") {
                if (v->empty() || v->size() > 30 || v->find_first_of(",;:\r\n") != std::string::npos)
                    return "--model: a model text of 1 to 30 characters without , ; :";
                o.model = *v;
            } else if (a == "--channels") {
                auto n = whole(*v, 1, 99);
                if (!n) return "--channels wants a number of channels";
                o.channels = static_cast<int>(*n);
            } else if (a == "--describe") {
                if (v->empty()) return "--describe wants a description file";
                o.description = *v;
            } else if (a == "--serial") {
                auto n = whole(*v, 0, 65535);
                if (!n) return "--serial wants 0..65535";
                o.serial = static_cast<unsigned>(*n);
            } else if (a == "--fwrel") {
                if (!valid_fwrel(*v)) return "--fwrel wants X.Y (digits)";
                o.fwrel = *v;
            } else if (a == "--control") {
                if (auto problem = parse_control_address(*v, o.control))
                    return "--control: " + *problem;
            } else if (a == "--log") {
                o.log_path = *v;
            } else if (a == "--delay") {
                auto n = whole(*v, 0, 600000);
                if (!n) return "--delay wants milliseconds 0..600000";
                o.fault = {FaultMode::Delay, static_cast<int>(*n)};
            } else if (a == "--fault") {
                // "--fault long-line:5000" or "--fault no-eol"
                std::string t = *v;
                std::replace(t.begin(), t.end(), ':', ' ');
                auto f = parse_fault(t);
                if (!f) return "--fault: unknown fault \"" + *v + "\"";
                o.fault = *f;
            }
        } else if (!a.empty() && a[0] == '-') {
            return "unknown option " + a;
        } else if (o.device.empty()) {
            o.device = a;
        } else {
            return "unexpected argument " + a;
        }
    }
    if (o.help) return std::nullopt;
    if (o.device.empty()) return "no device given (try --help)";
    const DeviceKind* k = find_device_kind(o.device);
    if (!k) return "unknown device " + o.device + " (try --help)";
    bool boards_given = o.boards.size() != 1 || o.boards[0] != 0;
    if (boards_given && !k->several_boards)
        return "--boards: " + k->name + " has no board address (it is board 0)";
    if (o.pty && !k->serial) return k->name + " has no serial link: TCP only, no --pty";
    if (o.channels) {
        if (k->min_channels == k->max_channels)
            return "--channels does not apply to " + k->name;
        if (*o.channels < k->min_channels || *o.channels > k->max_channels)
            return "--channels wants " + std::to_string(k->min_channels) + ".." +
                   std::to_string(k->max_channels) + " for " + k->name;
    }
    if (!o.description.empty() && !k->described) return "--describe applies to lumenhv only";
    if (o.no_range && !k->optional_range) return "--no-range applies to rd40xxe only";
    return std::nullopt;
}

} // namespace sim
