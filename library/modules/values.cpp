// Reading and writing one value of a row: which word goes on the wire, how
// the value is printed, and how the module's text becomes the client's value.
#include <cstdio>
#include <cstring>

#include "modules/protocol.h"
#include "modules/slots.h"

namespace zevahv::modules {

namespace {

std::uint32_t power_from_status(PowerRule rule, std::uint32_t s) {
    if (rule == PowerRule::Bit0UnlessBit2 && (s & 4u)) return 0;
    return s & 1u;
}

bool in_channel_range(int channel) {
    return channel >= 0 && channel < kMaxChannels;
}

// The words of the command language that switch something on and off.
constexpr const char *kOnWord = "ON";
constexpr const char *kOffWord = "OFF";

// Rows that only switch something: no value goes on the wire, and a value
// of 0 sends nothing at all.
bool switch_like(const Row &row) {
    return row_type(row) == kCommand || (row_mode(row) == kWrite && row.role != Role::Plain);
}

// A text goes on the wire as the value piece of a command line: the
// characters that end the line or a piece of it would make another command.
bool sendable_text(std::string_view s) {
    for (unsigned char c : s)
        if (c < 0x20 || c == 0x7f || c == ',' || c == ';' || c == ':') return false;
    return true;
}

bool format_number(const Module &m, const Row &row, float v, char *out, std::size_t cap) {
    const FamilyDesc &d = *m.desc;
    if (d.hooks.format_value) return d.hooks.format_value(m, row, v, out, cap);
    switch (d.number_format) {
    case NumberFormat::Width:
        return protocol::format_fixed(v, row.set_width, 0, out, cap);
    case NumberFormat::Fixed2:
        return protocol::format_fixed(v, 5, 2, out, cap);
    case NumberFormat::Plain6:
        return protocol::format_fixed(v, 0, 6, out, cap);
    case NumberFormat::Digits:
    default:
        return protocol::format_fixed(v, row.idigits + row.ddigits, row.ddigits, out, cap);
    }
}

}  // namespace

bool monitor_out_of_range(const Module &m, const Row &row, int channel) {
    if (!in_channel_range(channel)) return false;
    std::uint8_t low = m.range_low[channel].load(std::memory_order_relaxed);
    if (row.role == Role::MonitorLow) return low != 1;
    if (row.role == Role::MonitorHigh) return low != 0;
    return false;
}

std::string_view read_mnemonic(const Module &m, const Row &row) {
    if (row.role == Role::Power && m.desc->status_mnemonic) return m.desc->status_mnemonic;
    return row.mnemonic;
}

bool convert_value(Module &m, const Row &row, int channel, std::string_view text, Value *out) {
    out->type = row_type(row);
    out->f = 0;
    out->u = 0;
    out->text.clear();
    if (row.role == Role::Power) {
        long s = 0;
        if (!parse_int(text, &s)) return false;
        out->u = power_from_status(m.desc->power_rule, static_cast<std::uint32_t>(s));
        return true;
    }
    switch (row_type(row)) {
    case kNumeric:
        if (monitor_out_of_range(m, row, channel)) return true;
        return parse_float(text, &out->f);
    case kOnOff:
        if (m.desc->states_as_numbers) {
            long v = 0;
            if (!parse_int(text, &v)) return false;
            out->u = static_cast<std::uint32_t>(v);
        } else {
            out->u = text == row.proto_on ? 1u : 0u;
        }
        if (row.role == Role::RangeSwitch && in_channel_range(channel))
            m.range_low[channel].store(out->u ? 1 : 0, std::memory_order_relaxed);
        return true;
    case kText:
        out->text = std::string(text.substr(0, ZEVAHV_EVENT_VALUE_SIZE - 1));
        return true;
    case kCommand:
        return true;
    default: {
        long v = 0;
        if (!parse_int(text, &v)) return false;
        out->u = static_cast<std::uint32_t>(v);
        return true;
    }
    }
}

int read_value(Module &m, const Row &row, int channel, Value *out) {
    if (row_type(row) == kNumeric && monitor_out_of_range(m, row, channel)) {
        *out = Value{};
        out->type = kNumeric;
        return 0;
    }
    std::string text;
    if (int e = monitor(m, read_mnemonic(m, row), channel, &text)) return e;
    return convert_value(m, row, channel, text, out) ? 0 : -1;
}

int write_value(Module &m, const Row &row, int channel, const void *value) {
    std::uint32_t u = 0;
    float f = 0;
    std::memcpy(&u, value, sizeof u);
    std::memcpy(&f, value, sizeof f);

    if (row.role == Role::Power) {
        const char *word = u ? (row.proto_on[0] ? row.proto_on : kOnWord)
                             : (row.proto_off[0] ? row.proto_off : kOffWord);
        return set(m, word, channel, nullptr);
    }
    if (row.role == Role::Switch) return set(m, u ? kOnWord : kOffWord, channel, nullptr);
    if (switch_like(row)) {
        if (u == 0) return 0;
        return set(m, row.mnemonic, channel, nullptr);
    }
    char text[kLineSize];
    switch (row_type(row)) {
    case kNumeric:
        if (!format_number(m, row, f, text, sizeof text)) return -1;
        break;
    case kOnOff:
        if (m.desc->states_as_numbers) {
            protocol::format_int(u ? 1 : 0, 0, text, sizeof text);
        } else {
            std::snprintf(text, sizeof text, "%s", u ? row.proto_on : row.proto_off);
        }
        break;
    case kEnum:
        protocol::format_int(static_cast<long>(u), 0, text, sizeof text);
        break;
    case kText: {
        const char *s = static_cast<const char *>(value);
        std::size_t n = strnlen(s, 256);
        if (!sendable_text({s, n})) return -1;
        std::memcpy(text, s, n);
        text[n] = '\0';
        break;
    }
    default:
        protocol::format_int(static_cast<std::int32_t>(u), 5, text, sizeof text);
        break;
    }
    int e = set(m, row.mnemonic, channel, text);
    if (e == 0 && row.role == Role::RangeSwitch && in_channel_range(channel))
        m.range_low[channel].store(u ? 1 : 0, std::memory_order_relaxed);
    return e;
}

std::string event_ident(const Module &m) {
    char buf[512];
    if (m.desc->hooks.event_ident) {
        m.desc->hooks.event_ident(m, buf, sizeof buf);
        buf[sizeof buf - 1] = '\0';
        return buf;
    }
    // The connection argument as the family reads it, so that a client can
    // match the text against the argument it opened with: the port (or its
    // number, for families that take the port by number) and its settings,
    // or the address; then the board address where the argument carries
    // one (none for the families without addresses, nor for a module opened
    // without one).
    const LinkArgs &a = m.args;
    const ArgForm form = m.desc->arg_form;
    std::string head = a.port_name;
    if (a.serial) {
        if (form == ArgForm::ComNumberSettings && a.port_name[0] != '/')
            head = std::to_string(a.com_number);
        char settings[64];
        std::snprintf(settings, sizeof settings, "_%d_%01d_%01d_%01d", a.baud, a.data_bits,
                      a.stop_bits, a.parity);
        head += settings;
    }
    if (form == ArgForm::PortSettingsBoard && a.board >= 0) head += "_" + std::to_string(a.board);
    return head;
}

}  // namespace zevahv::modules
