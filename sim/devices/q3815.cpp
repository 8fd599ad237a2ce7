#include "devices/q3815.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "model/value_text.h"

namespace sim {

namespace {

const ParamTable kTable = {
    // Identification
    text("BDNAME", Scope::Board, Access::R, "Q3815", "model name"),
    constant("BDNCH", Scope::Board, 4, "number of channels"),
    text("BDFREL", Scope::Board, Access::R, "1.0", "firmware release major.minor"),
    constant("BDSNUM", Scope::Board, 0, "serial number"),
    // Board
    on_off("BDILK", Scope::Board, Access::R, "YES", "NO", false, "interlock active"),
    on_off("BDILKM", Scope::Board, Access::RW, "CLOSED", "OPEN", false,
           "interlock mode: the connector state that fires the interlock"),
    on_off("BDCTR", Scope::Board, Access::R, "LOCAL", "REMOTE", false, "control mode"),
    on_off("BDTERM", Scope::Board, Access::R, "ON", "OFF", false, "line termination switch"),
    status("BDALARM", Scope::Board,
           "alarm word: bits 0-3 channel 0-3 tripped (channels 4-7 in bits 8-11), latched"),
    action("BDCLR", Scope::Board, "clear the alarm word and the channel trips"),
    // Channels
    number("VSET", Scope::Channel, Access::RW, 0, 8000, 4, 1, 0, "voltage set point, V"),
    number("VMON", Scope::Channel, Access::R, 0, 10000, 4, 1, 0, "voltage monitor, V"),
    number("ISET", Scope::Channel, Access::RW, 0, 3000, 4, 2, 100, "current limit, uA"),
    on_off("IMRANGE", Scope::Channel, Access::RW, "LOW", "HIGH", false,
           "current monitor range (LOW: 4 decimals, HIGH: 2)"),
    number("IMON", Scope::Channel, Access::R, 0, 5000, 4, 2, 0, "current monitor, uA"),
    number("MAXV", Scope::Channel, Access::RW, 0, 8100, 4, 0, 8100, "voltage limit, V"),
    number("RUP", Scope::Channel, Access::RW, 1, 500, 3, 0, 100, "ramp-up rate, V/s"),
    number("RDW", Scope::Channel, Access::RW, 1, 500, 3, 0, 100, "ramp-down rate, V/s"),
    number("TRIP", Scope::Channel, Access::RW, 0, 1000, 4, 1, 10,
           "time at the current limit before a trip, s (0: at once)"),
    on_off("PDWN", Scope::Channel, Access::RW, "RAMP", "KILL", true,
           "power-down after a trip or interlock: ramp down or kill"),
    on_off("POL", Scope::Channel, Access::R, "-", "+", false, "output polarity"),
    status("STAT", Scope::Channel, "channel status word"),
    action("ON", Scope::Channel, "switch the channel on"),
    action("OFF", Scope::Channel, "switch the channel off"),
    // Limits the module reports, in the unit of their parameter.
    constant("VMIN", Scope::Either, 0, "VSET minimum"),
    constant("VMAX", Scope::Either, 8000, "VSET maximum"),
    constant("VDEC", Scope::Either, 1, "VSET decimals"),
    constant("IMIN", Scope::Either, 0, "ISET minimum"),
    constant("IMAX", Scope::Either, 3000, "ISET maximum"),
    constant("ISDEC", Scope::Either, 2, "ISET decimals"),
    constant("MVMIN", Scope::Either, 0, "MAXV minimum"),
    constant("MVMAX", Scope::Either, 8100, "MAXV maximum"),
    constant("MVDEC", Scope::Either, 0, "MAXV decimals"),
    constant("RUPMIN", Scope::Either, 1, "RUP minimum"),
    constant("RUPMAX", Scope::Either, 500, "RUP maximum"),
    constant("RUPDEC", Scope::Either, 0, "RUP decimals"),
    constant("RDWMIN", Scope::Either, 1, "RDW minimum"),
    constant("RDWMAX", Scope::Either, 500, "RDW maximum"),
    constant("RDWDEC", Scope::Either, 0, "RDW decimals"),
    constant("TRIPMIN", Scope::Either, 0, "TRIP minimum"),
    constant("TRIPMAX", Scope::Either, 1000, "TRIP maximum"),
    constant("TRIPDEC", Scope::Either, 1, "TRIP decimals"),
    constant("IMDEC", Scope::Channel, 2, "IMON decimals in the channel's present range"),
};

constexpr double kStep = 0.02;      // integration step of the ramp, s
constexpr double kSettled = 0.05;   // half the last VMON digit, V
constexpr int kLowDecimals = 4;
constexpr int kHighDecimals = 2;

class Q3815 : public Device {
public:
    explicit Q3815(int channels) : Device(kTable, channels), ch_(static_cast<size_t>(channels)) {
        vset_ = index_of("VSET");
        vmon_ = index_of("VMON");
        iset_ = index_of("ISET");
        imrange_ = index_of("IMRANGE");
        imon_ = index_of("IMON");
        maxv_ = index_of("MAXV");
        rup_ = index_of("RUP");
        rdw_ = index_of("RDW");
        trip_ = index_of("TRIP");
        pdwn_ = index_of("PDWN");
        stat_ = index_of("STAT");
        on_ = index_of("ON");
        off_ = index_of("OFF");
        imdec_ = index_of("IMDEC");
        bdilk_ = index_of("BDILK");
        bdilkm_ = index_of("BDILKM");
        bdctr_ = index_of("BDCTR");
        bdalarm_ = index_of("BDALARM");
        bdclr_ = index_of("BDCLR");
        last_ = Clock::now();
    }

    void advance(Clock::time_point now) override {
        double dt = std::chrono::duration<double>(now - last_).count();
        last_ = now;
        if (dt <= 0) return;
        // Long idle spans are cut short: after an hour nothing moves any more.
        dt = std::min(dt, 3600.0);
        while (dt > 0) {
            double h = std::min(dt, kStep);
            for (int c = 0; c < channels(); ++c) step(c, h);
            dt -= h;
        }
    }

    std::optional<std::optional<Refusal>> panel_set(std::string_view mn, int ch,
                                                    std::string_view value) override {
        std::string m = upper(mn);
        if (m == "LOAD") {
            if (ch < 0 || ch >= channels()) return Refusal::Ch;
            auto v = parse_decimal(value);
            if (!v || *v <= 0) return Refusal::Val;
            ch_[ch].load = *v;
            return std::optional<Refusal>{};
        }
        if (m == "VMON") {
            if (ch < 0 || ch >= channels()) return Refusal::Ch;
            auto v = parse_decimal(value);
            if (!v || *v < 0) return Refusal::Val;
            ch_[ch].vmon = *v;
            return std::optional<Refusal>{};
        }
        if (m == "BDILK") {
            // The interlock connector is moved into the state that fires (YES)
            // or releases (NO) the interlock under the present mode.
            bool fire;
            if (value == "YES" || value == "1") fire = true;
            else if (value == "NO" || value == "0") fire = false;
            else return Refusal::Val;
            bool mode_closed = number(bdilkm_, 0) != 0;
            connector_closed_ = fire ? mode_closed : !mode_closed;
            return std::optional<Refusal>{};
        }
        if (m == "BDALARM") {
            auto v = parse_whole(value);
            if (!v || *v < 0 || *v > 65535) return Refusal::Val;
            forced_alarm_ = static_cast<unsigned>(*v);
            return std::optional<Refusal>{};
        }
        if (m == "BDCTR") {
            if (value == "LOCAL" || value == "1") local = true;
            else if (value == "REMOTE" || value == "0") local = false;
            else return Refusal::Val;
            return std::optional<Refusal>{};
        }
        return std::nullopt;
    }

    std::optional<std::string> panel_get(std::string_view mn, int ch) const override {
        if (upper(mn) == "LOAD" && ch >= 0 && ch < channels())
            return format_fixed(ch_[ch].load, 1, 1);
        return std::nullopt;
    }

    std::vector<std::string> panel_help() const override {
        return {
            "LOAD <ch> <MOhm>     load resistance of a channel (default 100): IMON = VMON / LOAD",
            "VMON <ch> <V>        put the output voltage at once (it then ramps on from there)",
            "BDILK -1 YES|NO      fire or release the interlock (moves the connector)",
            "BDALARM -1 <n>       force alarm bits until BDCLR",
            "BDCTR -1 LOCAL|REMOTE  same as \"local <board> on|off\"",
            "POL <ch> +|-, BDTERM -1 ON|OFF   the front switches",
        };
    }

protected:
    std::optional<std::string> computed(int idx, int ch) const override {
        if (idx == vmon_) return format_fixed(ch_[ch].vmon, 4, 1);
        if (idx == imon_) {
            bool low = number(imrange_, ch) != 0;
            return format_fixed(current(ch), 4, low ? kLowDecimals : kHighDecimals);
        }
        if (idx == stat_) return format_status(status_word(ch));
        if (idx == imdec_)
            return std::to_string(number(imrange_, ch) != 0 ? kLowDecimals : kHighDecimals);
        if (idx == bdilk_) return interlock_fired() ? "YES" : "NO";
        if (idx == bdctr_) return local ? "LOCAL" : "REMOTE";
        if (idx == bdalarm_) return format_status(alarm_ | forced_alarm_);
        return std::nullopt;
    }

    std::optional<Refusal> on_action(int idx, int ch) override {
        if (idx == on_) {
            // Switching on restarts a tripped channel; the board alarm stays
            // latched until BDCLR.
            auto& c = ch_[ch];
            c.on = !interlock_fired();
            c.tripped = false;
            c.killed = false;
            c.limit_time = 0;
            return std::nullopt;
        }
        if (idx == off_) {
            ch_[ch].on = false;
            ch_[ch].killed = false;
            return std::nullopt;
        }
        if (idx == bdclr_) {
            alarm_ = 0;
            forced_alarm_ = 0;
            for (auto& c : ch_) {
                c.tripped = false;
                c.killed = false;
            }
            return std::nullopt;
        }
        return Refusal::Par;
    }

private:
    struct Channel {
        double vmon = 0;
        double load = 100; // MOhm
        bool on = false;
        bool tripped = false;
        bool killed = false;
        double limit_time = 0; // s spent at the current limit
    };

    static std::string upper(std::string_view s) {
        std::string u(s);
        for (char& c : u) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return u;
    }

    bool interlock_fired() const {
        bool mode_closed = number(bdilkm_, 0) != 0;
        return connector_closed_ == mode_closed;
    }
    bool kill_mode(int ch) const { return number(pdwn_, ch) == 0; }
    double current(int ch) const { return ch_[ch].vmon / ch_[ch].load; } // V / MOhm = uA
    double wanted(int ch) const { return std::min(number(vset_, ch), number(maxv_, ch)); }
    double current_limit_voltage(int ch) const { return number(iset_, ch) * ch_[ch].load; }
    double target(int ch) const {
        if (!ch_[ch].on) return 0;
        return std::min(wanted(ch), current_limit_voltage(ch));
    }
    bool at_current_limit(int ch) const {
        return ch_[ch].on && wanted(ch) > current_limit_voltage(ch) &&
               ch_[ch].vmon >= current_limit_voltage(ch) - kSettled;
    }

    void switch_off_by_fault(int ch) {
        auto& c = ch_[ch];
        c.on = false;
        c.killed = kill_mode(ch);
        if (c.killed) c.vmon = 0;
    }

    void step(int ch, double h) {
        auto& c = ch_[ch];
        if (c.on && interlock_fired()) switch_off_by_fault(ch);
        double t = target(ch);
        if (c.vmon < t) c.vmon = std::min(t, c.vmon + number(rup_, ch) * h);
        else if (c.vmon > t) c.vmon = std::max(t, c.vmon - number(rdw_, ch) * h);
        if (at_current_limit(ch)) {
            c.limit_time += h;
            if (c.limit_time >= number(trip_, ch)) {
                switch_off_by_fault(ch);
                c.tripped = true;
                c.limit_time = 0;
                alarm_ |= ch < 4 ? (1u << ch) : (1u << (8 + ch - 4));
            }
        } else {
            c.limit_time = 0;
        }
    }

    unsigned status_word(int ch) const {
        using namespace q3815_stat;
        const auto& c = ch_[ch];
        unsigned s = 0;
        if (c.on) {
            s |= On;
            if (c.vmon < target(ch) - kSettled) s |= RampUp;
            if (at_current_limit(ch)) s |= OverCurrent | UnderVoltage;
            if (number(vset_, ch) > number(maxv_, ch)) s |= MaxV;
        } else if (c.vmon > kSettled) {
            // Bit 2 is only ever set while the channel is off: a client takes
            // a set bit 2 to mean "not on".
            s |= RampDown;
        }
        if (c.tripped) s |= Tripped;
        if (c.killed) s |= Kill;
        if (interlock_fired()) s |= Interlock;
        return s;
    }

    std::vector<Channel> ch_;
    bool connector_closed_ = true; // the loop is closed: with mode OPEN nothing fires
    unsigned alarm_ = 0;
    unsigned forced_alarm_ = 0;
    Clock::time_point last_;
    int vset_, vmon_, iset_, imrange_, imon_, maxv_, rup_, rdw_, trip_, pdwn_, stat_, on_, off_,
        imdec_, bdilk_, bdilkm_, bdctr_, bdalarm_, bdclr_;
};

} // namespace

const ParamTable& q3815_table() { return kTable; }

std::string q3815_notes() {
    return R"(Channel status word (STAT):
  bit 0 on; 1 ramping up; 2 switched off and still ramping down (never set while
  on); 3 over-current (held at ISET); 5 under-voltage (held below VSET by the
  current limit); 6 VSET above MAXV (the output stops at MAXV); 7 tripped (after
  TRIP seconds at the current limit; until ON or BDCLR); 11 killed (PDWN KILL:
  the trip or interlock dropped the output at once); 12 interlock active.
  A switched-off channel ramps down at RDW. The load is resistive: IMON = VMON /
  LOAD (uA, MOhm; default 100 MOhm). The interlock fires when the connector is
  in the state BDILKM names (connector closed at start, mode OPEN).
)";
}

std::unique_ptr<Device> make_q3815(int channels) { return std::make_unique<Q3815>(channels); }

} // namespace sim
