#include "mainframe/system_props.h"

#include <arpa/inet.h>

#include <cstdio>

#include "mainframe/bytes.h"
#include "mainframe/status.h"
#include "model/value_text.h"

namespace sim::mf {

namespace {

using F = PropForm;

constexpr uint32_t kAny16 = 0xFFFF;
constexpr uint32_t kAny32 = 0xFFFFFFFF;
constexpr size_t kMaxPropText = 63;
constexpr int kHvFans = 3;

bool dotted_ipv4(std::string_view s) {
    in_addr a{};
    return s.size() < 16 && inet_pton(AF_INET, std::string(s).c_str(), &a) == 1;
}

bool printable_text(std::string_view s) {
    if (s.size() > kMaxPropText) return false;
    for (char c : s)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return false;
    return true;
}

std::string fmt(const char* f, double v) {
    char b[32];
    std::snprintf(b, sizeof b, f, v);
    return b;
}

} // namespace

Reply refusal(uint16_t code, std::string text) {
    Reply r;
    r.status = code;
    r.text = std::move(text);
    return r;
}

const std::vector<PropDef>& SystemProps::table() {
    static const std::vector<PropDef> t = {
        {"ModelName", "GETSYSNAME", nullptr, F::SysName},
        {"SymbolicName", "GETSYSNAME", "SETSYSNAME", F::SysName},
        {"SwRelease", "GETSWREL", nullptr, F::Text},
        {"GenSignCfg", "GETGENCFG", "SETGENCFG", F::Byte, 0, 255},
        {"FrontPanIn", "GETFPIN", nullptr, F::U16},
        {"FrontPanOut", "GETFPOUT", nullptr, F::U16},
        {"ResFlagCfg", "GETRSFLAGCFG", "SETRSFLAGCFG", F::Byte, 0, 255},
        {"ResFlag", "GETRSFLAG", nullptr, F::Byte},
        {"HvPwSM", "GETHVPSM", nullptr, F::Bytes},
        {"HVFanStat", "GETHVFANSTAT", nullptr, F::Fans},
        {"FanStat", "GETFANSTAT", nullptr, F::Fans},
        {"PWFanStat", "GETPWFANSTAT", nullptr, F::Bytes},
        {"ClkFreq", "GETCLKFREQ", nullptr, F::Byte},
        {"HVClkConf", "GETHVCLKCFG", "SETHVCLKCFG", F::U16, 0, kAny16},
        {"IPAddr", "GETIPADDR", "SETIPADDR", F::Text, 0, 0, true},
        {"IPNetMsk", "GETIPNETMSK", "SETIPNETMSK", F::Text, 0, 0, true},
        {"IPGw", "GETIPGWY", "SETIPGWY", F::Text, 0, 0, true},
        {"PWCurrent", "GETPWCUR", nullptr, F::Text},
        {"OutputLevel", "GETOUTPUTLEVEL", "SETOUTPUTLEVEL", F::U16, 0, 1},
        {"CmdQueueStatus", "GETCMDQSTATUS", nullptr, F::U16},
        {"CPULoad", "GETCPULOAD", nullptr, F::Text},
        {"MemoryStatus", "GETMEMORYSTATUS", nullptr, F::Text},
        {"HVFanSpeed", "GETFANSPEED", "SETFANSPEED", F::U16, 1500, 5000},
        {"PWVoltage", "GETPWVOLT", nullptr, F::Text},
        {"DummyReg", "GETDUMMY", "SETDUMMY", F::U32, 0, kAny32},
        {"CMDExecMode", "GETCMDMODE", "SETCMDMODE", F::U16, 0, 1},
        {"DHCPDStatus", "GETDHCPDSTATUS", nullptr, F::Text},
        {"CnetCrNum", "GETCNETCRNUM", "SETCNETCRNUM", F::U16, 0, 99},
        {"RS232Par", "GETRS232PARAM", "SETRS232PARAM", F::Text},
    };
    return t;
}

SystemProps::SystemProps(const CrateSpec& spec) : model_(spec.model) {
    state_.resize(table().size());
    auto set_text = [&](const char* n, std::string v) { force(n, v); };
    set_text("SymbolicName", spec.symbolic_name);
    set_text("SwRelease", "5.20");
    set_text("FrontPanIn", "3");
    set_text("HvPwSM", "1,1,1,2,0");
    set_text("PWFanStat", "1,9,96,1,9,116"); // two fans at 2400 and 2420 rpm
    set_text("ClkFreq", "40");
    set_text("HVClkConf", "256");
    set_text("IPAddr", "192.168.0.50");
    set_text("IPNetMsk", "255.255.255.0");
    set_text("IPGw", "192.168.0.1");
    set_text("MemoryStatus", "65536 kB total, 41208 kB free");
    set_text("HVFanSpeed", "3000");
    set_text("PWVoltage", "48.02");
    set_text("DHCPDStatus", "disabled");
    set_text("RS232Par", "9600_8_N_1_0");
}

std::optional<std::string> SystemProps::apply_start_values(const CrateSpec& spec) {
    for (const auto& [name, value] : spec.system) {
        if (!by_name(name) || name == "ModelName")
            return "system." + name + ": not a system property the crate keeps";
        if (auto e = force(name, value)) return "system." + name + ": " + *e;
    }
    return std::nullopt;
}

int SystemProps::index_of(std::string_view name) {
    const auto& t = table();
    for (size_t i = 0; i < t.size(); ++i)
        if (name == t[i].name) return static_cast<int>(i);
    return -1;
}

const PropDef* SystemProps::by_name(std::string_view name) const {
    int i = index_of(name);
    return i < 0 ? nullptr : &table()[i];
}

EventItem SystemProps::event_item(size_t index, uint32_t id, int channels_on) const {
    const PropDef& def = table()[index];
    if (def.form == F::Byte || def.form == F::U16 || def.form == F::U32)
        return number_item(id, state_[index].number);
    return text_item(id, *show(def.name, channels_on));
}

std::string SystemProps::data_of(const PropDef& def, int channels_on) const {
    const PropState& s = state_[&def - table().data()];
    std::string name(def.name);
    if (name == "PWCurrent") return fmt("%.2f", 2.10 + 0.05 * channels_on);
    if (name == "CPULoad") return fmt("%.1f", 4.0 + 0.02 * channels_on);
    ByteWriter w;
    switch (def.form) {
    case F::Text: return s.text;
    case F::SysName: return model_ + "," + state_[by_name("SymbolicName") - table().data()].text;
    case F::Byte: w.u8(static_cast<uint8_t>(s.number)); break;
    case F::U16: w.u16(static_cast<uint16_t>(s.number)); break;
    case F::U32: w.u32(s.number); break;
    case F::Bytes:
        for (uint8_t b : s.bytes) w.u8(b);
        break;
    case F::Fans: {
        // Every fan runs at the set speed, give or take a few turns.
        auto speed = static_cast<uint16_t>(state_[by_name("HVFanSpeed") - table().data()].number);
        for (int f = 0; f < kHvFans; ++f) w.u8(1).u16(static_cast<uint16_t>(speed + 10 * f));
        break;
    }
    }
    return w.take();
}

std::optional<Reply> SystemProps::serve(std::string_view command, std::string_view args,
                                        int channels_on) {
    for (const auto& def : table()) {
        if (command == def.get && (def.name != std::string_view("SymbolicName"))) {
            Reply r;
            r.data = data_of(def, channels_on);
            return r;
        }
        if (!def.set || command != def.set) continue;
        PropState& s = state_[&def - table().data()];
        ByteReader in(args);
        std::optional<uint32_t> v;
        switch (def.form) {
        case F::Byte: {
            auto hi = in.u8();
            bool sep = in.colon();
            auto lo = in.u8();
            if (hi && sep && lo) v = static_cast<uint32_t>(*hi << 8 | *lo);
            break;
        }
        case F::U16: v = in.u16(); break;
        case F::U32: v = in.u32(); break;
        default: {
            std::string t(args);
            while (!t.empty() && t.back() == '\0') t.pop_back();
            if (!printable_text(t) || (def.address && !dotted_ipv4(t)))
                return refusal(kStatusOutOfRange, kTextOutOfRange);
            s.text = t;
            return Reply{};
        }
        }
        if (!v || !in.at_end()) return refusal(kStatusBadRequest, kTextBadRequest);
        if (*v < def.min || *v > def.max) return refusal(kStatusOutOfRange, kTextOutOfRange);
        s.number = *v;
        return Reply{};
    }
    return std::nullopt;
}

std::optional<std::string> SystemProps::show(std::string_view name, int channels_on) const {
    const PropDef* def = by_name(name);
    if (!def) return std::nullopt;
    const PropState& s = state_[def - table().data()];
    switch (def->form) {
    case F::Text: return data_of(*def, channels_on);
    case F::SysName: return name == "ModelName" ? model_ : s.text;
    case F::Byte:
    case F::U16:
    case F::U32: return std::to_string(s.number);
    case F::Bytes:
    case F::Fans: {
        std::string d = data_of(*def, channels_on), out;
        for (char c : d) out += (out.empty() ? "" : ",") + std::to_string(static_cast<uint8_t>(c));
        return out;
    }
    }
    return std::nullopt;
}

std::optional<std::string> SystemProps::force(std::string_view name, std::string_view value) {
    const PropDef* def = by_name(name);
    if (!def) return "no system property " + std::string(name);
    PropState& s = state_[def - table().data()];
    switch (def->form) {
    case F::SysName:
        if (name == "ModelName") return std::string("the model comes from the crate file or --model");
        [[fallthrough]];
    case F::Text:
        if (!printable_text(value)) return "a text of at most 63 printable characters";
        if (def->address && !dotted_ipv4(value)) return std::string("a dotted IPv4 address");
        if (std::string_view(def->name) == "PWCurrent" || std::string_view(def->name) == "CPULoad")
            return std::string("follows the channels that are on");
        s.text = std::string(value);
        return std::nullopt;
    case F::Byte:
    case F::U16:
    case F::U32: {
        auto n = parse_whole(value);
        uint32_t top = def->form == F::Byte ? 0xFF : def->form == F::U16 ? 0xFFFF : 0xFFFFFFFF;
        if (!n || *n < 0 || static_cast<unsigned long>(*n) > top)
            return "a whole number from 0 to " + std::to_string(top);
        s.number = static_cast<uint32_t>(*n);
        return std::nullopt;
    }
    case F::Bytes: {
        std::vector<uint8_t> bytes;
        size_t start = 0;
        while (start <= value.size()) {
            size_t comma = value.find(',', start);
            auto n = parse_whole(value.substr(start, comma - start));
            if (!n || *n < 0 || *n > 255) return std::string("a list of bytes 0..255, comma separated");
            bytes.push_back(static_cast<uint8_t>(*n));
            if (comma == std::string_view::npos) break;
            start = comma + 1;
        }
        s.bytes = bytes;
        return std::nullopt;
    }
    case F::Fans: return std::string("follows HVFanSpeed");
    }
    return std::nullopt;
}

} // namespace sim::mf
