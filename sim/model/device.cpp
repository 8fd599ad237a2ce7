#include "model/device.h"

#include <cctype>
#include <cmath>

#include "model/value_text.h"

namespace sim {

bool same_ignoring_case(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) !=
            std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::string panel_entry(const std::string& usage, const std::string& what) {
    std::string line = usage;
    line.append(usage.size() < 24 ? 24 - usage.size() : 1, ' ');
    return line + what;
}

namespace {

// A channel name must survive the reply grammar: no piece separator, no
// value separator of the all-channel form, no ':' (which would end the value).
bool valid_name(std::string_view s) {
    if (s.empty() || s.size() > 11) return false;
    for (char c : s) {
        auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u > 0x7e || c == ',' || c == ';' || c == ':') return false;
    }
    return true;
}

} // namespace

Device::Device(const ParamTable& table, int channels) : table_(table), channels_(channels) {
    num_.resize(table_.size());
    text_.resize(table_.size());
    for (size_t i = 0; i < table_.size(); ++i) {
        size_t n = table_[i].scope == Scope::Channel ? static_cast<size_t>(channels_) : 1;
        num_[i].assign(n, table_[i].initial);
        text_[i].assign(n, table_[i].initial_text);
        if (table_[i].kind == Kind::Text && table_[i].scope == Scope::Channel &&
            table_[i].initial_text.empty()) {
            for (size_t ch = 0; ch < n; ++ch) {
                char buf[32];
                std::snprintf(buf, sizeof buf, "CH%02u", static_cast<unsigned>(ch % 100));
                text_[i][ch] = buf;
            }
        }
        // The channel count words answer what the module has.
        if (table_[i].mnemonic == "BDNCH" || table_[i].mnemonic == "NUMCH")
            num_[i][0] = channels_;
    }
}

int Device::find(std::string_view mnemonic, bool ignore_case) const {
    for (size_t i = 0; i < table_.size(); ++i) {
        if (ignore_case ? same_ignoring_case(table_[i].mnemonic, mnemonic)
                        : table_[i].mnemonic == mnemonic)
            return static_cast<int>(i);
    }
    return -1;
}

int Device::index_of(std::string_view mnemonic) const { return find(mnemonic); }

void Device::set_identity(const Identity& id) {
    for (size_t i = 0; i < table_.size(); ++i) {
        const auto& m = table_[i].mnemonic;
        // Each family has its own words for the same four facts.
        if (m == "BDNAME" || m == "CRNAME" || m == "MRID") {
            if (!id.model.empty()) text_[i][0] = id.model; // else the device's own
        }
        else if (m == "BDFREL" || m == "PSFREL") text_[i][0] = id.fwrel;
        else if (m == "BDSNUM" || m == "SERNUM" || m == "PSSNUM") num_[i][0] = id.serial;
    }
}

std::optional<std::string> Device::read(int idx, int ch) const {
    if (auto v = computed(idx, ch)) return v;
    return stored(idx, ch);
}

bool Device::reads_as_stored(int idx, int ch) const {
    auto now = computed(idx, ch);
    if (!now) return true;
    auto kept = stored(idx, ch);
    if (!kept) return true;
    // Numbers may be formatted apart (digits, a status word's padding).
    auto a = parse_decimal(*now), b = parse_decimal(*kept);
    if (a && b) return std::fabs(*a - *b) < 1e-9 + 1e-9 * std::fabs(*b);
    return *now == *kept;
}

std::optional<std::string> Device::stored(int idx, int ch) const {
    const ParamDef& p = table_[idx];
    switch (p.kind) {
    case Kind::Number:
    case Kind::Enum: return format_fixed(number(idx, ch), p.int_digits, p.decimals);
    case Kind::OnOff: return number(idx, ch) != 0 ? p.on_text : p.off_text;
    case Kind::Text: return text_[idx][slot(idx, ch)];
    case Kind::Status: return format_status(static_cast<unsigned>(number(idx, ch)));
    case Kind::Action: return std::nullopt;
    }
    return std::nullopt;
}

std::optional<Refusal> Device::write(int idx, int ch, std::string_view value, Origin origin) {
    const ParamDef& p = table_[idx];
    switch (p.kind) {
    case Kind::Number: {
        auto v = parse_decimal(value);
        if (!v) return Refusal::Val;
        double r = round_to(*v, p.decimals);
        // Half a last digit of slack, so that a limit sent with more decimals
        // than the module keeps is not refused after rounding.
        if (r < p.min - 1e-9 || r > p.max + 1e-9) return Refusal::Val;
        if (auto refusal = check_value(idx, ch, r)) return refusal;
        set_number(idx, ch, r);
        break;
    }
    case Kind::Enum:
    case Kind::Status: {
        auto v = parse_whole(value);
        if (!v || *v < p.min || *v > p.max) return Refusal::Val;
        if (auto refusal = check_value(idx, ch, static_cast<double>(*v))) return refusal;
        set_number(idx, ch, static_cast<double>(*v));
        break;
    }
    case Kind::OnOff: {
        int state;
        if (value == p.on_text) state = 1;
        else if (value == p.off_text) state = 0;
        else if ((origin == Origin::Panel || p.digits_switch) && value == "1") state = 1;
        else if ((origin == Origin::Panel || p.digits_switch) && value == "0") state = 0;
        else if (origin == Origin::Panel && same_ignoring_case(value, p.on_text)) state = 1;
        else if (origin == Origin::Panel && same_ignoring_case(value, p.off_text)) state = 0;
        else return Refusal::Val;
        if (auto refusal = check_value(idx, ch, state)) return refusal;
        set_number(idx, ch, state);
        break;
    }
    case Kind::Text:
        if (!valid_name(value)) return Refusal::Val;
        text_[idx][slot(idx, ch)] = std::string(value);
        break;
    case Kind::Action: return act(idx, ch);
    }
    changed(idx, ch, origin);
    return std::nullopt;
}

std::optional<Refusal> Device::act(int idx, int ch) { return on_action(idx, ch); }

std::optional<std::optional<Refusal>> Device::panel_set(std::string_view, int, std::string_view) {
    return std::nullopt;
}

std::optional<std::string> Device::panel_get(std::string_view, int) const { return std::nullopt; }

} // namespace sim
