#include "devices/kqps.h"

#include <algorithm>
#include <cmath>

#include "model/integrate.h"
#include "model/value_text.h"

namespace sim {

namespace {

constexpr double kMaxVolts = 300;
constexpr double kMaxAmps = 30;
constexpr double kOverTemperature = 80; // C on any sensor: the output trips
constexpr double kAmbient = 25;

// A switch written as a client writes integers ("LOOP:1") or as its text.
ParamDef kqps_switch(const char* word, const char* on, const char* off, const char* help) {
    ParamDef p = on_off(word, Scope::Board, Access::RW, on, off, false, help);
    p.digits_switch = true;
    return p;
}

// Every word is the module's own: the KQPS line has no channel piece.
const ParamTable kTable = {
    // Identification
    text("MRID", Scope::Board, Access::R, "", "model name"),
    constant("BDNCH", Scope::Board, 1, "number of channels (a client never asks)"),
    text("VER", Scope::Board, Access::R, "1.0.0", "firmware release a.b.c"),
    // Module
    kqps_switch("LOOP", "I", "V", "regulation loop: current (I, 1) or voltage (V, 0)"),
    number("MGC", Scope::Board, Access::R, 0, 1, 1, 4, 0, "ground leakage current, A"),
    number("MRT", Scope::Board, Access::R, -50, 200, 1, 1, kAmbient, "module temperature, C"),
    number("MRT:1", Scope::Board, Access::R, -50, 200, 1, 1, kAmbient, "IGBT temperature, C"),
    number("MRT:2", Scope::Board, Access::R, -50, 200, 1, 1, kAmbient,
           "HF transformer temperature, C"),
    kqps_switch("UPMODE", "ANALOG", "NORMAL",
                "set points from the analog input (ANALOG, 1) or the line (NORMAL, 0)"),
    action("MRESET", Scope::Board, "clear the alarm (after an interlock or over-temperature)"),
    // The output
    number("MWVR", Scope::Board, Access::RW, 0, kMaxVolts, 1, 3, 0,
           "voltage set point, reached at the MSRV ramp, V"),
    number("MRV", Scope::Board, Access::R, 0, kMaxVolts, 1, 3, 0, "voltage monitor, V"),
    number("MWIR", Scope::Board, Access::RW, 0, kMaxAmps, 1, 3, 1,
           "current set point, reached at the MSRI ramp, A"),
    number("MRI", Scope::Board, Access::R, 0, kMaxAmps, 1, 3, 0, "current monitor, A"),
    number("MWI", Scope::Board, Access::RW, 0, kMaxAmps, 1, 3, 1,
           "current set point at once (no ramp), A; reads the present one"),
    number("MWV", Scope::Board, Access::RW, 0, kMaxVolts, 1, 3, 0,
           "voltage set point at once (no ramp), V; reads the present one"),
    number("MSRI", Scope::Board, Access::RW, 1, kMaxAmps, 1, 3, 10, "current ramp, A/s"),
    number("MSRV", Scope::Board, Access::RW, 1, kMaxVolts, 1, 3, 50, "voltage ramp, V/s"),
    status("MST", Scope::Board, "status word"),
    action("MON", Scope::Board, "switch the output on (refused CMD while the alarm holds)"),
    action("MOFF", Scope::Board, "switch the output off"),
};

namespace st { // status word bits
constexpr unsigned On = 1u << 0;
constexpr unsigned Ramping = 1u << 1;
constexpr unsigned CurrentRegulation = 1u << 2;
constexpr unsigned VoltageRegulation = 1u << 3;
constexpr unsigned Interlock = 1u << 4;
constexpr unsigned OverTemperature = 1u << 5;
constexpr unsigned Alarm = 1u << 6;
constexpr unsigned Analog = 1u << 7;
} // namespace st

class Kqps : public Device {
public:
    Kqps() : Device(kTable, 1), last_(Clock::now()) {
        vref_ = number(row("MWVR"), 0);
        iref_ = number(row("MWIR"), 0);
    }

    // The firmware release is three numbers on this line.
    void set_identity(const Identity& id) override {
        Device::set_identity(id);
        set_text(row("VER"), 0, id.fwrel + ".0");
    }

    void advance(Clock::time_point now) override {
        integrate(last_, now, [this](double h) { step(h); });
    }

    std::optional<std::optional<Refusal>> panel_set(std::string_view mn, int,
                                                    std::string_view value) override {
        auto v = parse_decimal(value);
        if (same_ignoring_case(mn, "LOAD")) {
            if (!v || *v <= 0) return Refusal::Val;
            load_ = *v;
            return std::optional<Refusal>{};
        }
        if (same_ignoring_case(mn, "AMBIENT")) {
            if (!v || *v < -50 || *v > 150) return Refusal::Val;
            ambient_ = *v;
            return std::optional<Refusal>{};
        }
        if (same_ignoring_case(mn, "INTERLOCK")) {
            if (value == "1" || same_ignoring_case(value, "open")) interlock_ = true;
            else if (value == "0" || same_ignoring_case(value, "closed")) interlock_ = false;
            else return Refusal::Val;
            return std::optional<Refusal>{};
        }
        if (same_ignoring_case(mn, "MGC")) {
            if (!v || *v < 0 || *v > 1) return Refusal::Val;
            leakage_ = *v;
            return std::optional<Refusal>{};
        }
        return std::nullopt;
    }

    std::optional<std::string> panel_get(std::string_view mn, int) const override {
        if (same_ignoring_case(mn, "LOAD")) return format_fixed(load_, 1, 3);
        if (same_ignoring_case(mn, "AMBIENT")) return format_fixed(ambient_, 1, 1);
        return std::nullopt;
    }

    std::vector<std::string> panel_help() const override {
        return {
            panel_entry("LOAD -1 <ohm>", "load resistance (default 10)"),
            panel_entry("AMBIENT -1 <C>", "ambient temperature (default 25); a sensor at 80 C "
                                           "trips the output"),
            panel_entry("INTERLOCK -1 open|closed", "the external interlock: open drops the "
                                                     "output and raises the alarm"),
            panel_entry("MGC -1 <A>", "the ground leakage current"),
        };
    }

protected:
    std::optional<std::string> computed(int idx, int) const override {
        const ParamDef& p = table()[idx];
        if (idx == row("MRV")) return format_fixed(vout_, 1, p.decimals);
        if (idx == row("MRI")) return format_fixed(vout_ / load_, 1, p.decimals);
        if (idx == row("MWV")) return format_fixed(vref_, 1, p.decimals);
        if (idx == row("MWI")) return format_fixed(iref_, 1, p.decimals);
        if (idx == row("MST")) return std::to_string(status());
        if (idx == row("MGC")) return format_fixed(leakage_, 1, p.decimals);
        if (idx == row("MRT")) return format_fixed(temperature(0), 1, 1);
        if (idx == row("MRT:1")) return format_fixed(temperature(1), 1, 1);
        if (idx == row("MRT:2")) return format_fixed(temperature(2), 1, 1);
        return std::nullopt;
    }

    std::optional<Refusal> on_action(int idx, int) override {
        if (idx == row("MON")) {
            if (alarm_ || interlock_) return Refusal::Cmd;
            on_ = true;
            return std::nullopt;
        }
        if (idx == row("MOFF")) {
            on_ = false;
            return std::nullopt;
        }
        if (idx == row("MRESET")) {
            alarm_ = interlock_;
            over_temperature_ = false;
            return std::nullopt;
        }
        return Refusal::Par;
    }

    void changed(int idx, int, Origin) override {
        // The direct words move the present set point at once, and the
        // ramped target with it.
        if (idx == row("MWV")) {
            vref_ = number(idx, 0);
            set_number(row("MWVR"), 0, vref_);
        } else if (idx == row("MWI")) {
            iref_ = number(idx, 0);
            set_number(row("MWIR"), 0, iref_);
        }
    }

private:
    int row(std::string_view w) const { return index_of(w); }

    double power() const { return vout_ * vout_ / load_; }
    double temperature(int sensor) const {
        static const double rise[] = {1.0 / 300, 1.0 / 150, 1.0 / 200}; // C per W
        return ambient_ + power() * rise[sensor];
    }
    bool current_regulated() const { return on_ && iref_ * load_ < vref_; }

    void step(double h) {
        auto toward = [h](double& x, double target, double rate) {
            if (x < target) x = std::min(target, x + rate * h);
            else if (x > target) x = std::max(target, x - rate * h);
        };
        toward(vref_, number(row("MWVR"), 0), number(row("MSRV"), 0));
        toward(iref_, number(row("MWIR"), 0), number(row("MSRI"), 0));
        if (on_ && interlock_) {
            on_ = false;
            alarm_ = true;
        }
        for (int s = 0; s < 3; ++s) {
            if (on_ && temperature(s) >= kOverTemperature) {
                on_ = false;
                alarm_ = true;
                over_temperature_ = true;
            }
        }
        // The output follows its references at once: a switching supply.
        vout_ = on_ ? std::min(vref_, iref_ * load_) : 0;
    }

    unsigned status() const {
        unsigned s = 0;
        if (on_) {
            s |= st::On;
            s |= current_regulated() ? st::CurrentRegulation : st::VoltageRegulation;
        }
        if (vref_ != number(row("MWVR"), 0) || iref_ != number(row("MWIR"), 0)) s |= st::Ramping;
        if (interlock_) s |= st::Interlock;
        if (over_temperature_) s |= st::OverTemperature;
        if (alarm_) s |= st::Alarm;
        if (number(row("UPMODE"), 0) != 0) s |= st::Analog;
        return s;
    }

    double vref_ = 0, iref_ = 0; // the present (ramped) set points
    double vout_ = 0;
    double load_ = 10; // ohm
    double ambient_ = kAmbient;
    double leakage_ = 0.0002;
    bool on_ = false;
    bool interlock_ = false;
    bool alarm_ = false;
    bool over_temperature_ = false;
    Clock::time_point last_;
};

} // namespace

std::unique_ptr<Device> make_kqps() { return std::make_unique<Kqps>(); }

std::string kqps_notes() {
    return R"(One output into a resistive load (LOAD): MRV = min(voltage reference, current
reference x LOAD), MRI = MRV / LOAD. The references follow MWVR at MSRV and
MWIR at MSRI; MWV and MWI set them at once (and read them). MON and MOFF
switch the output; while the alarm holds, MON is refused (#NAK:CMD).

Status word (MST, a plain decimal number):
  bit 0 on; 1 ramping (a reference still moving); 2 current regulation;
  3 voltage regulation; 4 interlock open; 5 over-temperature (a sensor
  reached 80 C; until MRESET); 6 alarm (the output was dropped by the
  interlock or the temperature; until MRESET); 7 analog set points (UPMODE).
Temperatures (MRT, MRT:1, MRT:2) rise with the output power.
)";
}

} // namespace sim
