#include "devices/w7300.h"

#include <algorithm>
#include <cmath>

#include "devices/hv_rows.h"
#include "model/integrate.h"
#include "model/value_text.h"

namespace sim {

namespace {

// The outputs of a crate: nominal voltage (V) and current capacity (A),
// repeated for crates with more channels.
struct Output {
    double volts;
    double amps;
};
constexpr Output kOutputs[] = {{5, 100}, {5, 100}, {3.3, 60}, {12, 40},
                               {12, 40}, {24, 20}, {24, 20},  {48, 10}};
constexpr int kOutputKinds = sizeof kOutputs / sizeof kOutputs[0];

constexpr double kOverTemperature = 70; // C: the crate switches off
constexpr double kAmbient = 28;         // C with no load
constexpr double kFullSpeedRpm = 3000;
constexpr double kSettled = 0.005;      // V

const ParamTable kTable = {
    // Identification
    text("CRNAME", Scope::Board, Access::R, "", "crate model name"),
    constant("NUMCH", Scope::Board, 0, "number of channels"),
    text("PSFREL", Scope::Board, Access::R, "1.0", "firmware release major.minor"),
    constant("PSSNUM", Scope::Board, 0, "serial number"),
    // Crate
    number("PSTEMP", Scope::Board, Access::R, 0, 150, 2, 1, kAmbient,
           "power supply temperature, C (rises with the output power)"),
    number("FANSP", Scope::Board, Access::RW, 0, 100, 3, 0, 50, "fan speed, % of full speed"),
    number("FAN1", Scope::Board, Access::R, 0, 9999, 4, 0, 0, "fan 1 speed, rpm"),
    number("FAN2", Scope::Board, Access::R, 0, 9999, 4, 0, 0, "fan 2 speed, rpm"),
    number("FAN3", Scope::Board, Access::R, 0, 9999, 4, 0, 0, "fan 3 speed, rpm"),
    text("FUFREL", Scope::Board, Access::R, "2.1", "fan unit firmware release"),
    number("FUTEMP", Scope::Board, Access::R, 0, 150, 2, 1, 26.5, "fan unit temperature, C"),
    constant("FUSNUM", Scope::Board, 2001, "fan unit serial number"),
    status("CRST", Scope::Board, "crate status word"),
    number("VPMAX", Scope::Board, Access::R, 0, 999, 3, 1, 236.4, "highest primary voltage, V"),
    number("VPMIN", Scope::Board, Access::R, 0, 999, 3, 1, 228.9, "lowest primary voltage, V"),
    constant("RS232BR", Scope::Board, 9600, "serial line baud rate"),
    constant("CANBR", Scope::Board, 125000, "CAN bus bit rate, bit/s"),
    constant("CANADD", Scope::Board, 1, "CAN bus address"),
    text("IPADD", Scope::Board, Access::R, "127.0.0.1", "IP address (the one it serves on)"),
    text("IPMSK", Scope::Board, Access::R, "255.0.0.0", "IP net mask"),
    text("IPGTW", Scope::Board, Access::R, "127.0.0.1", "IP gateway"),
    text("MACADD", Scope::Board, Access::R, "00-50-C2-7E-30-01",
         "MAC address (dashes: a ':' cannot travel in a value)"),
    on_off("Pw", Scope::Board, Access::RW, "On", "Off", false, "crate power"),
    action("ON", Scope::Board, "switch the crate on (also \"On\")"),
    action("OFF", Scope::Board, "switch the crate off (also \"Off\")"),
    action("On", Scope::Board, "the same as ON"),
    action("Off", Scope::Board, "the same as OFF"),
    action("SYSR", Scope::Board, "system reset: crate off, alarms and trips cleared"),
    action("CLR", Scope::Board, "clear the alarms and the channel trips"),
    // Channels
    text("NAME", Scope::Channel, Access::RW, "", "channel name (CH00.. at start)"),
    number("VSET", Scope::Channel, Access::RW, 0, 99.99, 2, 2, 0,
           "voltage set point, V (within the channel's VMIN..VMAX)"),
    number("VMON", Scope::Channel, Access::R, 0, 99.99, 2, 2, 0, "voltage monitor, V"),
    number("ISET", Scope::Channel, Access::RW, 0, 999.9, 3, 1, 0,
           "current limit, A (within the channel's IMIN..IMAX)"),
    number("IMON", Scope::Channel, Access::R, 0, 999.9, 3, 2, 0, "current monitor, A"),
    number("OVP", Scope::Channel, Access::R, 0, 99.99, 2, 2, 0,
           "over-voltage protection: the output trips above it, V"),
    number("UVP", Scope::Channel, Access::R, 0, 99.99, 2, 2, 0,
           "under-voltage threshold (status bit 3 below it), V"),
    status("STAT", Scope::Channel, "channel status word"),
    // Limits, read by a client at the time it asks for them.
    number("VMIN", Scope::Channel, Access::R, 0, 99.99, 2, 2, 0, "VSET minimum of the channel"),
    number("VMAX", Scope::Channel, Access::R, 0, 99.99, 2, 2, 0, "VSET maximum of the channel"),
    number("IMIN", Scope::Channel, Access::R, 0, 999.9, 3, 1, 0, "ISET minimum of the channel"),
    number("IMAX", Scope::Channel, Access::R, 0, 999.9, 3, 1, 0, "ISET maximum of the channel"),
    constant("VRES", Scope::Either, 2, "VSET resolution: decimals"),
    constant("IRES", Scope::Either, 1, "ISET resolution: decimals"),
};

namespace cst { // crate status bits
constexpr unsigned On = 1u << 0;
constexpr unsigned ChannelTrip = 1u << 1;
constexpr unsigned OverTemperature = 1u << 2;
constexpr unsigned FanFailure = 1u << 3;
} // namespace cst

namespace chst { // channel status bits
constexpr unsigned On = 1u << 0;
constexpr unsigned Ramping = 1u << 1;
constexpr unsigned CurrentLimit = 1u << 2;
constexpr unsigned UnderVoltage = 1u << 3;
constexpr unsigned OverVoltageTrip = 1u << 4;
} // namespace chst

class W7300 : public Device {
public:
    W7300(int channels, const std::string& host)
        : Device(kTable, channels), out_(static_cast<size_t>(channels)), last_(Clock::now()) {
        set_text(row("IPADD"), 0, host);
        for (int c = 0; c < channels; ++c) {
            const Output& o = kOutputs[c % kOutputKinds];
            set_number(row("VSET"), c, o.volts);
            set_number(row("ISET"), c, o.amps);
            set_number(row("VMIN"), c, round_to(o.volts * 0.8, 2));
            set_number(row("VMAX"), c, round_to(o.volts * 1.1, 2));
            set_number(row("IMIN"), c, 0);
            set_number(row("IMAX"), c, o.amps);
            set_number(row("OVP"), c, round_to(o.volts * 1.2, 2));
            set_number(row("UVP"), c, round_to(o.volts * 0.85, 2));
            out_[c].load = o.volts / (o.amps / 2); // half load
        }
    }

    void advance(Clock::time_point now) override {
        integrate(last_, now, [this](double h) { step(h); });
    }

    std::optional<std::optional<Refusal>> panel_set(std::string_view mn, int ch,
                                                    std::string_view value) override {
        auto v = parse_decimal(value);
        if (same_ignoring_case(mn, "LOAD")) {
            if (ch < 0 || ch >= channels()) return Refusal::Ch;
            if (!v || *v <= 0) return Refusal::Val;
            out_[ch].load = *v;
            return std::optional<Refusal>{};
        }
        if (same_ignoring_case(mn, "PSTEMP")) {
            if (!v) return Refusal::Val;
            heat_offset_ = *v - temperature_without_offset();
            return std::optional<Refusal>{};
        }
        for (int f = 0; f < 3; ++f) {
            if (!same_ignoring_case(mn, std::string("FAN") + char('1' + f))) continue;
            if (value == "0" || same_ignoring_case(value, "stall")) fan_stalled_[f] = true;
            else if (same_ignoring_case(value, "run")) fan_stalled_[f] = false;
            else return Refusal::Val;
            return std::optional<Refusal>{};
        }
        if (same_ignoring_case(mn, "OVP") || same_ignoring_case(mn, "UVP")) {
            if (ch < 0 || ch >= channels()) return Refusal::Ch;
            if (!v || *v < 0 || *v > 99.99) return Refusal::Val;
            set_number(index_of(same_ignoring_case(mn, "OVP") ? "OVP" : "UVP"), ch, *v);
            return std::optional<Refusal>{};
        }
        return std::nullopt;
    }

    std::optional<std::string> panel_get(std::string_view mn, int ch) const override {
        if (same_ignoring_case(mn, "LOAD") && ch >= 0 && ch < channels())
            return format_fixed(out_[ch].load, 1, 3);
        return std::nullopt;
    }

    std::vector<std::string> panel_help() const override {
        return {
            panel_entry("LOAD <ch> <ohm>", "load of a channel (default: half its IMAX at VSET)"),
            panel_entry("PSTEMP -1 <C>", "heat the supply to this temperature now (above 70 "
                                          "it switches off: over-temperature)"),
            panel_entry("FAN1..3 -1 stall|run", "stop or restart a fan (fan failure bit)"),
            panel_entry("OVP|UVP <ch> <V>", "move a protection threshold (OVP below the output "
                                             "trips it)"),
        };
    }

protected:
    std::optional<std::string> computed(int idx, int ch) const override {
        const ParamDef& p = table()[idx];
        if (idx == row("VMON")) return format_fixed(out_[ch].vmon, p.int_digits, p.decimals);
        if (idx == row("IMON")) return format_fixed(current(ch), p.int_digits, p.decimals);
        if (idx == row("STAT")) return format_status(channel_status(ch));
        if (idx == row("CRST")) return format_status(crate_status());
        if (idx == row("Pw")) return crate_on_ ? p.on_text : p.off_text;
        if (idx == row("PSTEMP")) return format_fixed(temperature(), p.int_digits, p.decimals);
        for (int f = 0; f < 3; ++f)
            if (idx == row(std::string("FAN") + char('1' + f)))
                return format_fixed(fan_stalled_[f] ? 0 : fan_rpm(f), p.int_digits, 0);
        return std::nullopt;
    }

    std::optional<Refusal> on_action(int idx, int) override {
        if (idx == row("ON") || idx == row("On")) return switch_crate(true);
        if (idx == row("OFF") || idx == row("Off")) return switch_crate(false);
        if (idx == row("CLR")) {
            clear();
            return std::nullopt;
        }
        if (idx == row("SYSR")) {
            clear();
            crate_on_ = false;
            heat_offset_ = 0;
            return std::nullopt;
        }
        return Refusal::Par;
    }

    void changed(int idx, int, Origin) override {
        if (idx == row("Pw")) switch_crate(number(idx, 0) != 0);
    }

    std::optional<Refusal> check_value(int idx, int ch, double v) const override {
        if (idx == row("Pw") && v != 0 && over_temperature_) return Refusal::Cmd;
        if (idx == row("VSET") && (v < number(row("VMIN"), ch) || v > number(row("VMAX"), ch)))
            return Refusal::Val;
        if (idx == row("ISET") && (v < number(row("IMIN"), ch) || v > number(row("IMAX"), ch)))
            return Refusal::Val;
        return std::nullopt;
    }

private:
    struct Out {
        double vmon = 0;
        double load = 1; // ohm
        bool tripped = false;
    };

    int row(std::string_view w) const { return index_of(w); }

    std::optional<Refusal> switch_crate(bool on) {
        // An over-temperature keeps the crate off until it is cleared.
        if (on && over_temperature_) return Refusal::Cmd;
        crate_on_ = on;
        return std::nullopt;
    }

    void clear() {
        for (auto& o : out_) o.tripped = false;
        if (temperature() < kOverTemperature) over_temperature_ = false;
    }

    bool enabled(int ch) const { return crate_on_ && !out_[ch].tripped; }
    double current(int ch) const { return out_[ch].vmon / out_[ch].load; }
    double limit_voltage(int ch) const { return number(row("ISET"), ch) * out_[ch].load; }
    double target(int ch) const {
        return enabled(ch) ? std::min(number(row("VSET"), ch), limit_voltage(ch)) : 0;
    }
    bool current_limited(int ch) const {
        return enabled(ch) && number(row("VSET"), ch) > limit_voltage(ch) &&
               out_[ch].vmon >= limit_voltage(ch) - kSettled;
    }
    double power() const {
        double p = 0;
        for (int c = 0; c < channels(); ++c) p += out_[c].vmon * current(c);
        return p;
    }
    double temperature_without_offset() const {
        // The fans take away what the outputs put in.
        double cooling = 0.5 + number(row("FANSP"), 0) / 100.0;
        return kAmbient + power() / (100.0 * cooling);
    }
    double temperature() const { return temperature_without_offset() + heat_offset_; }
    double fan_rpm(int f) const {
        return std::round(kFullSpeedRpm * number(row("FANSP"), 0) / 100.0) + 10 * f;
    }

    void step(double h) {
        if (crate_on_ && temperature() >= kOverTemperature) {
            over_temperature_ = true;
            crate_on_ = false;
        }
        for (int c = 0; c < channels(); ++c) {
            auto& o = out_[c];
            // A low-voltage output settles within about half a second.
            double rate = 2 * kOutputs[c % kOutputKinds].volts;
            double t = target(c);
            if (o.vmon < t) o.vmon = std::min(t, o.vmon + rate * h);
            else if (o.vmon > t) o.vmon = std::max(t, o.vmon - rate * h);
            if (enabled(c) && o.vmon > number(row("OVP"), c)) {
                o.tripped = true;
                o.vmon = 0;
            }
        }
    }

    unsigned channel_status(int ch) const {
        unsigned s = 0;
        const auto& o = out_[ch];
        if (enabled(ch)) {
            s |= chst::On;
            if (std::fabs(o.vmon - target(ch)) > kSettled) s |= chst::Ramping;
            if (current_limited(ch)) s |= chst::CurrentLimit;
            if (std::fabs(o.vmon - target(ch)) <= kSettled && o.vmon < number(row("UVP"), ch))
                s |= chst::UnderVoltage;
        }
        if (o.tripped) s |= chst::OverVoltageTrip;
        return s;
    }

    unsigned crate_status() const {
        unsigned s = crate_on_ ? cst::On : 0;
        for (const auto& o : out_)
            if (o.tripped) s |= cst::ChannelTrip;
        if (over_temperature_) s |= cst::OverTemperature;
        if (fan_stalled_[0] || fan_stalled_[1] || fan_stalled_[2]) s |= cst::FanFailure;
        return s;
    }

    std::vector<Out> out_;
    bool crate_on_ = false;
    bool over_temperature_ = false;
    bool fan_stalled_[3] = {false, false, false};
    double heat_offset_ = 0;
    Clock::time_point last_;
};

} // namespace

std::unique_ptr<Device> make_w7300(int channels, const std::string& host) {
    return std::make_unique<W7300>(channels, host);
}

std::string w7300_notes() {
    return R"(The crate: Pw (or the words ON/OFF) switches every output; each output ramps
to VSET within about half a second, into a resistive load (LOAD), held down
by its current limit ISET. Outputs repeat the pattern 5 V/100 A, 5 V/100 A,
3.3 V/60 A, 12 V/40 A, 12 V/40 A, 24 V/20 A, 24 V/20 A, 48 V/10 A; VMIN/VMAX
are 80 %/110 % of nominal, IMAX the capacity, OVP 120 %, UVP 85 %. VSET and
ISET outside the channel's own limits are refused VAL. VRES/IRES answer the
decimals of VSET (2) and ISET (1).

Channel status word (STAT):
  bit 0 on (crate on, channel not tripped); 1 ramping; 2 held at the current
  limit; 3 settled below UVP; 4 tripped by over-voltage (output above OVP;
  until CLR or SYSR).
Crate status word (CRST):
  bit 0 crate on; 1 a channel tripped; 2 over-temperature (PSTEMP reached 70
  C: the crate switched off; ON is refused CMD until CLR or SYSR once it has
  cooled); 3 fan failure (a fan stalled).
PSTEMP rises with the output power and falls with FANSP; FAN1..3 follow
FANSP (3000 rpm at 100 %).
)";
}

} // namespace sim
