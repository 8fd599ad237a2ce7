#include "devices/zbk.h"

#include <algorithm>
#include <cmath>

#include "model/integrate.h"
#include "model/value_text.h"

namespace sim {

namespace {

// The three supplies of every channel: nominal voltage, the current above
// which the channel trips, the default load, and the resolution words of
// their voltage and current monitors.
struct Supply {
    const char* volt_word;
    const char* amp_word;
    double volts;
    double trip_amps;
    double load; // ohm
    double volt_res;
    double amp_res;
    unsigned trip_bit;
};
constexpr Supply kSupplies[] = {
    {"V5", "I5", 5.0, 8.0, 2.5, 0.01, 0.05, 1u << 1},
    {"V48", "I48", 48.0, 4.0, 24.0, 0.05, 0.01, 1u << 2},
    {"VFAN", "IFAN", 12.0, 1.5, 24.0, 0.05, 0.01, 1u << 3},
};
constexpr int kSupplyCount = 3;
constexpr unsigned kOn = 1u << 0;
constexpr unsigned kRamping = 1u << 4;
constexpr double kRampSeconds = 0.3; // each output reaches its nominal in this time

ParamDef monitor(const char* word, double max, const char* help) {
    return number(word, Scope::Channel, Access::R, 0, max, 2, 2, 0, help);
}
ParamDef resolution(const std::string& word, double value, const std::string& of) {
    return number(word, Scope::Either, Access::R, value, value, 1, 2, value,
                  of + " resolution (the monitor moves in these steps)");
}

ParamTable make_table() {
    ParamTable t = {
        text("BDNAME", Scope::Board, Access::R, "", "model name"),
        constant("BDNCH", Scope::Board, 0, "number of channels"),
        text("BDFREL", Scope::Board, Access::R, "1.0", "firmware release major.minor"),
        monitor("V5", 99, "5 V supply, V"),
        monitor("V48", 99, "48 V supply, V"),
        monitor("VFAN", 99, "fan supply, V"),
        monitor("I5", 99, "5 V supply current, A"),
        monitor("I48", 99, "48 V supply current, A"),
        monitor("IFAN", 99, "fan supply current, A"),
        status("STAT", Scope::Channel, "channel status word"),
        action("ON", Scope::Channel, "switch the channel's supplies on (restarts a trip)"),
        action("OFF", Scope::Channel, "switch the channel's supplies off"),
    };
    for (const auto& s : kSupplies) {
        t.push_back(resolution(std::string(s.volt_word) + "RES", s.volt_res, s.volt_word));
        t.push_back(resolution(std::string(s.amp_word) + "RES", s.amp_res, s.amp_word));
    }
    return t;
}

const ParamTable kTable = make_table();

double quantized(double v, double step) { return std::round(v / step) * step; }

class Zbk : public Device {
public:
    explicit Zbk(int channels)
        : Device(kTable, channels), ch_(static_cast<size_t>(channels)), last_(Clock::now()),
          stat_(index_of("STAT")), on_(index_of("ON")), off_(index_of("OFF")) {
        for (int s = 0; s < kSupplyCount; ++s) {
            volt_row_[s] = index_of(kSupplies[s].volt_word);
            amp_row_[s] = index_of(kSupplies[s].amp_word);
        }
        for (auto& c : ch_)
            for (int s = 0; s < kSupplyCount; ++s) c.load[s] = kSupplies[s].load;
    }

    void advance(Clock::time_point now) override {
        integrate(last_, now, [this](double h) {
            for (auto& c : ch_) step(c, h);
        });
    }

    std::optional<std::optional<Refusal>> panel_set(std::string_view mn, int ch,
                                                    std::string_view value) override {
        for (int s = 0; s < kSupplyCount; ++s) {
            if (!same_ignoring_case(mn, load_word(s))) continue;
            if (ch < 0 || ch >= channels()) return Refusal::Ch;
            auto v = parse_decimal(value);
            if (!v || *v <= 0) return Refusal::Val;
            ch_[ch].load[s] = *v;
            return std::optional<Refusal>{};
        }
        return std::nullopt;
    }

    std::optional<std::string> panel_get(std::string_view mn, int ch) const override {
        for (int s = 0; s < kSupplyCount; ++s)
            if (same_ignoring_case(mn, load_word(s)) && ch >= 0 && ch < channels())
                return format_fixed(ch_[ch].load[s], 1, 2);
        return std::nullopt;
    }

    std::vector<std::string> panel_help() const override {
        return {panel_entry("LOAD5 <ch> <ohm>", "load of the 5 V supply (default 2.5)"),
                panel_entry("LOAD48 <ch> <ohm>", "load of the 48 V supply (default 24)"),
                panel_entry("LOADFAN <ch> <ohm>", "load of the fan supply (default 24)")};
    }

protected:
    std::optional<std::string> computed(int idx, int ch) const override {
        for (int s = 0; s < kSupplyCount; ++s) {
            const auto& c = ch_[ch];
            if (idx == volt_row_[s])
                return format_fixed(quantized(c.volts[s], kSupplies[s].volt_res), 1, 2);
            if (idx == amp_row_[s])
                return format_fixed(quantized(c.volts[s] / c.load[s], kSupplies[s].amp_res), 1, 2);
        }
        if (idx == stat_) return format_status(status(ch_[ch]));
        return std::nullopt;
    }

    std::optional<Refusal> on_action(int idx, int ch) override {
        if (idx == on_) {
            ch_[ch].on = true;
            ch_[ch].trips = 0;
            return std::nullopt;
        }
        if (idx == off_) {
            ch_[ch].on = false;
            return std::nullopt;
        }
        return Refusal::Par;
    }

private:
    struct Channel {
        bool on = false;
        unsigned trips = 0; // status bits of the supplies that tripped
        double volts[kSupplyCount] = {0, 0, 0};
        double load[kSupplyCount] = {0, 0, 0};
    };

    static std::string load_word(int s) {
        static const char* const words[] = {"LOAD5", "LOAD48", "LOADFAN"};
        return words[s];
    }

    static void step(Channel& c, double h) {
        for (int s = 0; s < kSupplyCount; ++s) {
            const Supply& sup = kSupplies[s];
            double target = c.on ? sup.volts : 0;
            double rate = sup.volts / kRampSeconds;
            double& v = c.volts[s];
            if (v < target) v = std::min(target, v + rate * h);
            else if (v > target) v = std::max(target, v - rate * h);
            if (c.on && v / c.load[s] > sup.trip_amps) {
                // Over-current: every supply of the channel goes off at once.
                c.on = false;
                c.trips |= sup.trip_bit;
                for (double& x : c.volts) x = 0;
                return;
            }
        }
    }

    static unsigned status(const Channel& c) {
        unsigned s = c.trips;
        if (c.on) s |= kOn;
        for (int i = 0; i < kSupplyCount; ++i)
            if (std::fabs(c.volts[i] - (c.on ? kSupplies[i].volts : 0)) > 1e-6) s |= kRamping;
        return s;
    }

    std::vector<Channel> ch_;
    Clock::time_point last_;
    int stat_, on_, off_;
    int volt_row_[kSupplyCount];
    int amp_row_[kSupplyCount];
};

} // namespace

std::unique_ptr<Device> make_zbk(int channels) { return std::make_unique<Zbk>(channels); }

std::string zbk_notes() {
    return R"(Every channel has three supplies: 5 V, 48 V and the fan supply (12 V), each
into a resistive load (LOAD5, LOAD48, LOADFAN), reaching its voltage within
0.3 s of ON. Monitors move in the steps of their resolution words.

Channel status word (STAT):
  bit 0 on; 1 5 V over-current trip (I5 above 8 A); 2 48 V over-current trip
  (I48 above 4 A); 3 fan supply over-current trip (IFAN above 1.5 A);
  4 ramping. A trip drops all three supplies of the channel and stays until
  the next ON.
)";
}

} // namespace sim
