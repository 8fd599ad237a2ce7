#include "mainframe/crate_spec.h"

#include <cmath>
#include <fstream>
#include <set>
#include <sstream>

#include <nlohmann/json.hpp>

namespace sim::mf {

namespace {

using nlohmann::json;

// A load failure: the message names the place in the file.
struct LoadError {
    std::string message;
};

[[noreturn]] void fail(const std::string& where, const std::string& what) {
    throw LoadError{where + ": " + what};
}

const json& member(const json& obj, const char* key, const std::string& where) {
    if (!obj.is_object()) fail(where, "must be an object");
    auto it = obj.find(key);
    if (it == obj.end()) fail(where, std::string("\"") + key + "\" is missing");
    return *it;
}

const json* optional_member(const json& obj, const char* key) {
    auto it = obj.find(key);
    return it == obj.end() ? nullptr : &*it;
}

double number(const json& v, const std::string& where) {
    if (!v.is_number()) fail(where, "must be a number");
    double d = v.get<double>();
    if (!std::isfinite(d)) fail(where, "must be a finite number");
    return d;
}

long whole(const json& v, const std::string& where, long lo, long hi) {
    double d = number(v, where);
    if (d != std::floor(d) || d < lo || d > hi)
        fail(where, "must be a whole number from " + std::to_string(lo) + " to " + std::to_string(hi));
    return static_cast<long>(d);
}

std::string text(const json& v, const std::string& where, size_t max_len, bool colon_ok = false) {
    if (!v.is_string()) fail(where, "must be a text");
    std::string s = v.get<std::string>();
    if (s.size() > max_len) fail(where, "longer than " + std::to_string(max_len) + " characters");
    for (char c : s) {
        auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7f) fail(where, "holds a control character");
        if (c == ':' && !colon_ok) fail(where, "must not hold ':' (it separates fields on the wire)");
    }
    return s;
}

bool boolean(const json& v, const std::string& where) {
    if (!v.is_boolean()) fail(where, "must be true or false");
    return v.get<bool>();
}

uint16_t type_code(const json& v, const std::string& where) {
    static const std::pair<const char*, uint16_t> names[] = {
        {"numeric", kTypeNumeric}, {"onoff", kTypeOnOff}, {"chstatus", kTypeChStatus},
        {"bdstatus", kTypeBdStatus}, {"raw", kTypeRaw}, {"text", kTypeText},
        {"enum", kTypeEnum}, {"command", kTypeCommand}};
    if (v.is_number()) return static_cast<uint16_t>(whole(v, where, 0, 7));
    if (v.is_string())
        for (auto& [n, code] : names)
            if (v.get<std::string>() == n) return code;
    fail(where, "must be numeric, onoff, chstatus, bdstatus, raw, text, enum, command or 0..7");
}

uint16_t unit_code(const json& v, const std::string& where) {
    static const std::pair<const char*, uint16_t> names[] = {
        {"", 0}, {"A", 1}, {"V", 2}, {"W", 3}, {"C", 4}, {"Hz", 5},
        {"bar", 6}, {"V/s", 7}, {"s", 8}, {"rpm", 9}, {"count", 10}, {"bit", 11}};
    if (v.is_number()) return static_cast<uint16_t>(whole(v, where, 0, 65535));
    if (v.is_string())
        for (auto& [n, code] : names)
            if (v.get<std::string>() == n) return code;
    fail(where, "must be one of \"\", A, V, W, C, Hz, bar, V/s, s, rpm, count, bit or a code");
}

// The fields of one parameter definition, as given so far. Limits and the
// start value stay in the unit until the descriptor is complete, because an
// override may change decimals or scale after them.
struct ParamDraft {
    ParamDesc d;
    double min = 0, max = 0;
};

void apply_fields(ParamDraft& p, const json& def, const std::string& where) {
    if (!def.is_object()) fail(where, "must be an object");
    for (auto it = def.begin(); it != def.end(); ++it) {
        const std::string& k = it.key();
        const json& v = it.value();
        std::string at = where + "." + k;
        if (k == "type") p.d.type = type_code(v, at);
        else if (k == "write") p.d.writable = boolean(v, at);
        else if (k == "signed") p.d.is_signed = boolean(v, at);
        else if (k == "min") p.min = number(v, at);
        else if (k == "max") p.max = number(v, at);
        else if (k == "decimals") p.d.decimals = static_cast<int16_t>(whole(v, at, 0, 9));
        else if (k == "scale") p.d.scale = static_cast<uint16_t>(whole(v, at, 1, 65535));
        else if (k == "unit") p.d.unit = unit_code(v, at);
        else if (k == "exp") p.d.exponent = static_cast<int16_t>(whole(v, at, -32768, 32767));
        else if (k == "extra") p.d.extra = static_cast<uint16_t>(whole(v, at, 0, 65535));
        else if (k == "on") p.d.on_text = text(v, at, kOnOffTextField - 1);
        else if (k == "off") p.d.off_text = text(v, at, kOnOffTextField - 1);
        else if (k == "default") p.d.initial = number(v, at);
        else if (k == "role") {
            auto r = v.is_string() ? role_by_name(v.get<std::string>()) : std::nullopt;
            if (!r) fail(at, "is not a role (VSet, ISet, VMon, IMon, Pw, RUp, RDwn, Trip, SVMax, "
                             "PDwn, Status, BdStatus, Temp, TempMax, HVMax, Store)");
            p.d.role = *r;
        } else {
            fail(at, "is not a parameter field");
        }
    }
}

ParamDesc finish(const ParamDraft& p, const std::string& where) {
    ParamDesc d = p.d;
    if (d.type == kTypeOnOff) {
        d.min_raw = 0;
        d.max_raw = 1;
        return d;
    }
    d.min_raw = d.to_raw(p.min);
    d.max_raw = d.to_raw(p.max);
    int64_t lo = d.is_signed ? INT32_MIN : 0;
    int64_t hi = d.is_signed ? INT32_MAX : UINT32_MAX;
    if (d.min_raw < lo || d.max_raw > hi)
        fail(where, "limits do not fit a " + std::string(d.is_signed ? "signed" : "unsigned") +
                        " 32-bit raw number with this scale");
    if (d.min_raw > d.max_raw) fail(where, "min is above max");
    return d;
}

using Drafts = std::map<std::string, ParamDraft>;

Drafts load_parameters(const json& root) {
    Drafts out;
    const json& params = member(root, "parameters", "crate");
    if (!params.is_object()) fail("parameters", "must be an object");
    for (auto it = params.begin(); it != params.end(); ++it) {
        std::string where = "parameters." + it.key();
        if (it.key().empty() || it.key().size() >= kParamNameField)
            fail(where, "a parameter name has 1 to 9 characters");
        text(json(it.key()), where, kParamNameField - 1);
        ParamDraft p;
        p.d.name = it.key();
        p.d.role = role_by_name(it.key()).value_or(Role::Store);
        apply_fields(p, it.value(), where);
        finish(p, where); // checks the limits once without overrides
        out[it.key()] = p;
    }
    return out;
}

// The names of a kind's parameter list, each made from the shared draft
// with the kind's and the group's overrides.
ParamList build_list(const json& names, const Drafts& drafts, const std::vector<const json*>& overrides,
                     const std::string& where) {
    if (!names.is_array()) fail(where, "must be a list of parameter names");
    if (names.size() > kMaxParamsPerChannel) fail(where, "more than 255 parameters");
    ParamList out;
    std::set<std::string> seen;
    for (size_t i = 0; i < names.size(); ++i) {
        std::string at = where + "[" + std::to_string(i) + "]";
        std::string n = text(names[i], at, kParamNameField - 1);
        auto d = drafts.find(n);
        if (d == drafts.end()) fail(at, "\"" + n + "\" is not defined under \"parameters\"");
        if (!seen.insert(n).second) fail(at, "\"" + n + "\" is listed twice");
        ParamDraft p = d->second;
        for (const json* o : overrides)
            if (const json* f = optional_member(*o, n.c_str())) apply_fields(p, *f, at + " override");
        out.push_back(finish(p, at));
    }
    return out;
}

void check_override_names(const json& o, const Drafts& drafts, const std::string& where) {
    if (!o.is_object()) fail(where, "must be an object of parameter names");
    for (auto it = o.begin(); it != o.end(); ++it)
        if (!drafts.count(it.key())) fail(where + "." + it.key(), "is not a defined parameter");
}

BoardKind load_kind(const std::string& model, const json& def, const Drafts& drafts) {
    std::string where = "kinds." + model;
    if (model.empty() || model.size() > kMaxModelText)
        fail(where, "a board model has 1 to 15 characters");
    text(json(model), where, kMaxModelText);
    BoardKind k;
    k.model = model;
    k.description = text(member(def, "description", where), where + ".description", kMaxDescriptionText);
    k.channels = static_cast<int>(whole(member(def, "channels", where), where + ".channels", 1, kMaxChannels));
    if (const json* l = optional_member(def, "load")) {
        k.load_mohm = number(*l, where + ".load");
        if (k.load_mohm <= 0) fail(where + ".load", "must be above 0 (MOhm)");
    }
    std::vector<const json*> overrides;
    if (const json* o = optional_member(def, "override")) {
        check_override_names(*o, drafts, where + ".override");
        overrides.push_back(o);
    }
    static const json kEmpty = json::array();
    const json* board = optional_member(def, "board");
    k.board_params = build_list(board ? *board : kEmpty, drafts, overrides, where + ".board");
    const json& chan = member(def, "channel", where);

    auto common = std::make_shared<const ParamList>(build_list(chan, drafts, overrides, where + ".channel"));
    k.channel_params.assign(static_cast<size_t>(k.channels), common);
    if (const json* groups = optional_member(def, "groups")) {
        if (!groups->is_array()) fail(where + ".groups", "must be a list");
        for (size_t g = 0; g < groups->size(); ++g) {
            std::string at = where + ".groups[" + std::to_string(g) + "]";
            const json& grp = (*groups)[g];
            const json& range = member(grp, "channels", at);
            if (!range.is_array() || range.size() != 2) fail(at + ".channels", "must be [first, last]");
            long first = whole(range[0], at + ".channels", 0, k.channels - 1);
            long last = whole(range[1], at + ".channels", first, k.channels - 1);
            const json& o = member(grp, "override", at);
            check_override_names(o, drafts, at + ".override");
            auto list = overrides;
            list.push_back(&o);
            auto params = std::make_shared<const ParamList>(build_list(chan, drafts, list, at));
            for (long c = first; c <= last; ++c) k.channel_params[static_cast<size_t>(c)] = params;
        }
    }
    return k;
}

void parse_firmware(const json& v, const std::string& where, BoardSpec& b) {
    std::string s = text(v, where, 7);
    unsigned major = 0, minor = 0;
    char dot = 0, extra = 0;
    std::istringstream in(s);
    if (!(in >> major >> dot >> minor) || dot != '.' || (in >> extra) || major > 255 || minor > 255)
        fail(where, "must be \"MAJOR.MINOR\", each 0..255");
    b.fw_major = major;
    b.fw_minor = minor;
}

CrateSpec load(const json& root) {
    if (!root.is_object()) fail("crate", "the file must hold one JSON object");
    CrateSpec c;
    if (const json* m = optional_member(root, "model")) c.model = text(*m, "model", kMaxModelText);
    if (c.model.empty()) fail("model", "must not be empty");
    c.generation = generation_of_model(c.model);
    if (const json* g = optional_member(root, "generation")) {
        std::string s = g->is_string() ? g->get<std::string>() : "";
        if (s == "legacy") c.generation = Generation::Legacy;
        else if (s == "current") c.generation = Generation::Current;
        else fail("generation", "must be \"current\" or \"legacy\"");
    }
    if (const json* n = optional_member(root, "name")) c.symbolic_name = text(*n, "name", 63, true);
    c.slots = static_cast<int>(whole(member(root, "slots", "crate"), "slots", 1, kMaxSlots));

    if (const json* users = optional_member(root, "users")) {
        if (!users->is_array()) fail("users", "must be a list");
        for (size_t i = 0; i < users->size(); ++i) {
            std::string at = "users[" + std::to_string(i) + "]";
            const json& u = (*users)[i];
            User user;
            user.name = text(member(u, "name", at), at + ".name", 63);
            user.password = text(member(u, "password", at), at + ".password", 63, true);
            if (const json* w = optional_member(u, "write")) user.may_write = boolean(*w, at + ".write");
            c.users.push_back(user);
        }
    }

    Drafts drafts = load_parameters(root);
    const json& kinds = member(root, "kinds", "crate");
    if (!kinds.is_object()) fail("kinds", "must be an object");
    for (auto it = kinds.begin(); it != kinds.end(); ++it)
        c.kinds[it.key()] = load_kind(it.key(), it.value(), drafts);

    const json& boards = member(root, "boards", "crate");
    if (!boards.is_array()) fail("boards", "must be a list");
    std::set<int> used;
    for (size_t i = 0; i < boards.size(); ++i) {
        std::string at = "boards[" + std::to_string(i) + "]";
        const json& b = boards[i];
        BoardSpec s;
        s.slot = static_cast<int>(whole(member(b, "slot", at), at + ".slot", 0, c.slots - 1));
        if (!used.insert(s.slot).second) fail(at + ".slot", "slot " + std::to_string(s.slot) + " is used twice");
        s.kind = text(member(b, "kind", at), at + ".kind", kMaxModelText);
        if (!c.kinds.count(s.kind)) fail(at + ".kind", "\"" + s.kind + "\" is not under \"kinds\"");
        if (const json* sn = optional_member(b, "serial"))
            s.serial = static_cast<unsigned>(whole(*sn, at + ".serial", 0, 65535));
        if (const json* fw = optional_member(b, "firmware")) parse_firmware(*fw, at + ".firmware", s);
        c.boards.push_back(s);
    }

    if (const json* sys = optional_member(root, "system")) {
        if (!sys->is_object()) fail("system", "must be an object of property names");
        for (auto it = sys->begin(); it != sys->end(); ++it) {
            const json& v = it.value();
            std::string value;
            if (v.is_string()) value = v.get<std::string>();
            else if (v.is_number_integer()) value = std::to_string(v.get<long long>());
            else fail("system." + it.key(), "must be a text or a whole number");
            c.system.emplace_back(it.key(), value);
        }
    }
    return c;
}

} // namespace

Generation generation_of_model(std::string_view model) {
    return model == "KR2210" || model == "KR2220" ? Generation::Legacy : Generation::Current;
}

std::optional<CrateSpec> load_crate_json(std::string_view text_in, std::string& error) {
    try {
        return load(json::parse(text_in));
    } catch (const LoadError& e) {
        error = e.message;
    } catch (const json::exception& e) {
        error = e.what();
    }
    return std::nullopt;
}

std::optional<CrateSpec> load_crate_file(const std::string& path, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read the crate file " + path;
        return std::nullopt;
    }
    std::ostringstream all;
    all << in.rdbuf();
    auto spec = load_crate_json(all.str(), error);
    if (!spec) error = path + ": " + error;
    return spec;
}

} // namespace sim::mf
