#include "devices/lumenhv/description.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>

#include "model/value_text.h"

namespace sim::lumenhv {

namespace {

using nlohmann::json;

constexpr int kMaxChannels = 32;
constexpr size_t kMaxWords = 2000;
constexpr size_t kMaxName = 64;
constexpr size_t kMaxText = 64;

// A typical four-channel module: what the simulator describes unless it is
// given a description of its own.
const char* const kBuiltin = R"({
  "model": "LUMENHV",
  "channels": 4,
  "board": [
    {"name": "Temp", "type": 0, "mode": 0, "min": -20, "max": 100, "decimals": 1,
     "unit": "celsius", "value": 31.5, "help": "board temperature, C"},
    {"name": "BdIlk", "type": 1, "mode": 0, "on": "YES", "off": "NO", "role": "interlock",
     "help": "interlock active"},
    {"name": "BdAlarm", "type": 3, "mode": 0, "role": "alarm",
     "help": "alarm word: bit n channel n tripped, latched"},
    {"name": "ClearAlarm", "type": 1, "mode": 1, "on": "YES", "off": "NO", "role": "clear",
     "help": "written YES: clear the alarm word and the channel trips"}
  ],
  "channel": [
    {"name": "VSet", "type": 0, "mode": 2, "min": 0, "max": 3000, "decimals": 1,
     "unit": "volt", "role": "vset", "help": "voltage set point, V"},
    {"name": "VMon", "type": 0, "mode": 0, "min": 0, "max": 3000, "decimals": 1,
     "unit": "volt", "role": "vmon", "help": "voltage monitor, V"},
    {"name": "ISet", "type": 0, "mode": 2, "min": 0, "max": 1000, "decimals": 2,
     "unit": "ampere", "value": 100, "role": "iset", "help": "current limit, uA"},
    {"name": "IMon", "type": 0, "mode": 0, "min": 0, "max": 1000, "decimals": 3,
     "unit": "ampere", "role": "imon", "help": "current monitor, uA"},
    {"name": "RUp", "type": 0, "mode": 2, "min": 1, "max": 500, "decimals": 0,
     "unit": "vps", "value": 100, "role": "rup", "help": "ramp-up rate, V/s"},
    {"name": "RDwn", "type": 0, "mode": 2, "min": 1, "max": 500, "decimals": 0,
     "unit": "vps", "value": 100, "role": "rdw", "help": "ramp-down rate, V/s"},
    {"name": "Trip", "type": 0, "mode": 2, "min": 0, "max": 1000, "decimals": 1,
     "unit": "second", "value": 10, "role": "trip",
     "help": "time at the current limit before a trip, s"},
    {"name": "PDwn", "type": 1, "mode": 2, "on": "RAMP", "off": "KILL", "value": 1,
     "role": "pdwn", "help": "power-down after a trip or interlock"},
    {"name": "STAT", "type": 2, "mode": 0, "role": "status", "help": "channel status word"},
    {"name": "Pw", "type": 1, "mode": 2, "on": "ON", "off": "OFF", "role": "power",
     "help": "channel power"}
  ]
})";

// Which roles there are, where they belong and the value types they take.
struct Role {
    const char* name;
    bool board;
    std::set<int> types;
};
const std::vector<Role>& roles() {
    static const std::vector<Role> r = {
        {"vset", false, {0}},      {"vmon", false, {0}},  {"iset", false, {0}},
        {"imon", false, {0}},      {"maxv", false, {0}},  {"rup", false, {0}},
        {"rdw", false, {0}},       {"trip", false, {0}},  {"pdwn", false, {1}},
        {"status", false, {2}},    {"power", false, {1}}, {"interlock", true, {1}},
        {"alarm", true, {3}},      {"clear", true, {1, 7}},
    };
    return r;
}

// A word or text must survive the reply grammar: no piece separator (','),
// no list or field separator (';'), no ':' (which would end a value), no
// blanks or control bytes in a name.
bool clean_text(const std::string& s, bool blanks_allowed) {
    for (char c : s) {
        auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u > 0x7e || c == ',' || c == ';' || c == ':') return false;
        if (!blanks_allowed && c == ' ') return false;
    }
    return true;
}

std::string number_text(double v, int decimals) { return format_fixed(v, 1, decimals); }

class Reader {
public:
    explicit Reader(std::string& error) : error_(error) {}

    bool fail(const std::string& where, const std::string& what) {
        error_ = where + ": " + what;
        return false;
    }

    bool word(const json& j, bool board, int channels, WordDescription& w, const std::string& at) {
        if (!j.is_object()) return fail(at, "a word is an object");
        for (auto it = j.begin(); it != j.end(); ++it) {
            static const std::set<std::string> keys = {
                "name", "type", "mode", "min", "max", "decimals", "small", "unit", "on",
                "off", "value", "role", "channels", "info", "help"};
            if (!keys.count(it.key())) return fail(at, "unknown field \"" + it.key() + "\"");
        }
        if (!j.contains("name") || !j["name"].is_string()) return fail(at, "no \"name\"");
        w.name = j["name"];
        std::string here = at + " (" + w.name + ")";
        if (w.name.empty() || w.name.size() > kMaxName || !clean_text(w.name, false))
            return fail(here, "a name is 1 to 64 printable characters without , ; : or blanks");
        if (!integer(j, "type", w.type, here, true) || !integer(j, "mode", w.mode, here, true))
            return false;
        if (w.type < 0 || w.type > 7) return fail(here, "type is 0 to 7");
        if (w.mode < 0 || w.mode > 2) return fail(here, "mode is 0, 1 or 2");
        if (!real(j, "min", w.min, here) || !real(j, "max", w.max, here) ||
            !integer(j, "decimals", w.decimals, here, false))
            return false;
        if (w.decimals < 0 || w.decimals > 6) return fail(here, "decimals are 0 to 6");
        if (w.min > w.max) return fail(here, "min is above max");
        if (j.contains("small")) {
            int s = 0;
            if (!integer(j, "small", s, here, true)) return false;
            w.small = s;
        }
        if (!text(j, "unit", w.unit, here) || !text(j, "on", w.on_text, here) ||
            !text(j, "off", w.off_text, here) || !text(j, "role", w.role, here) ||
            !text(j, "help", w.help, here, true))
            return false;
        if (w.type == 1 && (w.on_text.empty() || w.off_text.empty() || w.on_text == w.off_text))
            return fail(here, "an on/off word needs two different texts \"on\" and \"off\"");
        if (j.contains("value")) {
            const json& v = j["value"];
            if (v.is_string() && w.type == 5) w.text = v;
            else if (v.is_number() && w.type != 5) w.value = v;
            else return fail(here, "\"value\" is a number (a text for type 5)");
            if (w.type == 5 && (w.text.size() > kMaxText || !clean_text(w.text, true)))
                return fail(here, "a text value is at most 64 printable characters without , ; :");
        }
        if (j.contains("info")) {
            if (!j["info"].is_string()) return fail(here, "\"info\" is a text");
            std::string info = j["info"];
            for (char c : info)
                if (c == '\r' || c == '\n') return fail(here, "\"info\" holds a line end");
            w.info = info;
        }
        if (j.contains("channels")) {
            if (board) return fail(here, "a board word has no \"channels\"");
            if (!j["channels"].is_array()) return fail(here, "\"channels\" is a list of numbers");
            for (const json& c : j["channels"]) {
                if (!c.is_number_integer() || c.get<int>() < 0 || c.get<int>() >= channels)
                    return fail(here, "\"channels\" lists channels 0.." +
                                          std::to_string(channels - 1));
                w.channels.push_back(c.get<int>());
            }
        }
        if (!w.role.empty()) {
            const Role* r = nullptr;
            for (const auto& k : roles())
                if (w.role == k.name) r = &k;
            if (!r) return fail(here, "unknown role \"" + w.role + "\"");
            if (r->board != board)
                return fail(here, "role \"" + w.role + "\" belongs to " +
                                      (r->board ? "the board" : "the channels"));
            if (!r->types.count(w.type))
                return fail(here, "role \"" + w.role + "\" does not take type " +
                                      std::to_string(w.type));
            if (!w.channels.empty()) return fail(here, "a word with a role is on every channel");
        }
        return true;
    }

private:
    bool integer(const json& j, const char* key, int& out, const std::string& at, bool required) {
        if (!j.contains(key)) return required ? fail(at, std::string("no \"") + key + "\"") : true;
        if (!j[key].is_number_integer()) return fail(at, std::string("\"") + key + "\" is a whole number");
        long long v = j[key];
        if (v < -32768 || v > 32767) return fail(at, std::string("\"") + key + "\" is out of range");
        out = static_cast<int>(v);
        return true;
    }
    bool real(const json& j, const char* key, double& out, const std::string& at) {
        if (!j.contains(key)) return true;
        if (!j[key].is_number()) return fail(at, std::string("\"") + key + "\" is a number");
        out = j[key];
        if (!std::isfinite(out) || std::fabs(out) > 1e9)
            return fail(at, std::string("\"") + key + "\" is out of range");
        return true;
    }
    bool text(const json& j, const char* key, std::string& out, const std::string& at,
              bool free_text = false) {
        if (!j.contains(key)) return true;
        if (!j[key].is_string()) return fail(at, std::string("\"") + key + "\" is a text");
        out = j[key];
        if (!free_text && (out.size() > kMaxText || !clean_text(out, true)))
            return fail(at, std::string("\"") + key +
                                "\" is at most 64 printable characters without , ; :");
        return true;
    }

    std::string& error_;
};

} // namespace

const std::vector<std::string>& known_roles() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> n;
        for (const auto& r : roles()) n.push_back(r.name);
        return n;
    }();
    return names;
}

std::optional<Description> parse_description(const std::string& text, std::string& error) {
    json j;
    try {
        j = json::parse(text);
    } catch (const json::exception& e) {
        error = std::string("not JSON: ") + e.what();
        return std::nullopt;
    }
    Reader r(error);
    if (!j.is_object()) {
        error = "a description is a JSON object";
        return std::nullopt;
    }
    Description d;
    if (j.contains("model")) {
        if (!j["model"].is_string() || j["model"].get<std::string>().empty() ||
            j["model"].get<std::string>().size() > 30 || !clean_text(j["model"], true)) {
            error = "\"model\" is a text of 1 to 30 characters without , ; :";
            return std::nullopt;
        }
        d.model = j["model"];
    }
    if (j.contains("channels")) {
        if (!j["channels"].is_number_integer() || j["channels"].get<int>() < 1 ||
            j["channels"].get<int>() > kMaxChannels) {
            error = "\"channels\" is 1 to " + std::to_string(kMaxChannels);
            return std::nullopt;
        }
        d.channels = j["channels"];
    }
    std::set<std::string> names = {"BDNAME", "BDNCH", "BDFREL", "BDSNUM", "PARLIST", "PARCHLIST"};
    std::set<std::string> roles_seen;
    for (const char* part : {"board", "channel"}) {
        bool board = std::string(part) == "board";
        if (!j.contains(part)) continue;
        if (!j[part].is_array()) {
            error = std::string("\"") + part + "\" is a list of words";
            return std::nullopt;
        }
        auto& list = board ? d.board : d.channel;
        for (size_t i = 0; i < j[part].size(); ++i) {
            WordDescription w;
            std::string at = std::string(part) + "[" + std::to_string(i) + "]";
            if (!r.word(j[part][i], board, d.channels, w, at)) return std::nullopt;
            if (!names.insert(w.name).second) {
                error = at + ": the word " + w.name + " is there twice (or is reserved)";
                return std::nullopt;
            }
            if (!w.role.empty() && !roles_seen.insert(w.role).second) {
                error = at + ": the role " + w.role + " is given twice";
                return std::nullopt;
            }
            list.push_back(std::move(w));
        }
    }
    for (auto it = j.begin(); it != j.end(); ++it) {
        static const std::set<std::string> keys = {"model", "channels", "board", "channel"};
        if (!keys.count(it.key())) {
            error = "unknown field \"" + it.key() + "\"";
            return std::nullopt;
        }
    }
    if (d.board.size() + d.channel.size() > kMaxWords) {
        error = "more than " + std::to_string(kMaxWords) + " words";
        return std::nullopt;
    }
    return d;
}

std::optional<Description> read_description_file(const std::string& path, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read the description " + path;
        return std::nullopt;
    }
    std::ostringstream all;
    all << in.rdbuf();
    auto d = parse_description(all.str(), error);
    if (!d) error = path + ": " + error;
    return d;
}

const Description& builtin_description() {
    static const Description d = [] {
        std::string error;
        auto parsed = parse_description(kBuiltin, error);
        return parsed ? *parsed : Description{};
    }();
    return d;
}

std::string info_text(const WordDescription& w) {
    if (w.info) return *w.info;
    std::string s = std::to_string(w.type) + ";" + std::to_string(w.mode) + ";" +
                    number_text(w.min, w.decimals) + ";" + number_text(w.max, w.decimals) + ";" +
                    std::to_string(w.decimals) + ";" +
                    (w.small ? std::to_string(*w.small) : std::string()) + ";" + w.unit + ";" +
                    w.on_text + ";" + w.off_text + ";";
    return s;
}

std::string description_help() {
    std::string roles_list;
    for (const auto& r : known_roles()) roles_list += (roles_list.empty() ? "" : ", ") + r;
    return R"(Its words come from a description (--describe FILE, JSON; without it the
built-in one, shown by the words above). PARLIST answers the board words,
PARCHLIST (CH:n) channel n's, joined by ';'; INFO (with CH:n for a channel
word) answers "type;mode;min;max;decimals;small;unit;on;off;" (nine ';'). A
description:
  {"model": "LUMENHV", "channels": 4,
   "board":   [ <word>, ... ],
   "channel": [ <word>, ... ]}
  <word>: {"name": "VSet", "type": 0, "mode": 2, "min": 0, "max": 3000,
           "decimals": 1, "unit": "volt", "value": 0, "role": "vset"}
  name      the word on the wire (1..64 characters, no , ; : or blanks)
  type      0 number, 1 on/off ("on", "off" texts needed), 2 channel status,
            3 board status, 4 raw, 5 text ("value" a text), 6 index, 7 command
  mode      0 read-only, 1 write-only, 2 read-write
  min, max, decimals, small (the sixth field; left empty when absent), unit
            (any text: ampere, volt, watt, celsius, hertz, bar, vps, second,
            rpm, count, bit, or another), value (at start), help
  channels  a channel word on these channels only (others refuse it PAR)
  info      an INFO answer sent verbatim instead (to describe a word wrongly)
  role      the behaviour the word drives: )" +
           roles_list + R"(
            (the roles of an HV channel: ramps to vset at rup/rdw into a
            resistive LOAD, held at iset, trips after trip seconds there).
  With a power or status role the module also takes ON and OFF (CH:n) and
  answers STAT with the status word, as the HV modules do; these are not
  listed. sim/devices/lumenhv/eight-channel.json is a second description.
)";
}

} // namespace sim::lumenhv
