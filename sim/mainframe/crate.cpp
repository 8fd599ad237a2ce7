#include "mainframe/crate.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace sim::mf {

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNeverTrip = 1000; // a Trip time of 1000 s or more never trips
constexpr double kDefaultRamp = 50; // V/s when a kind has no RUp/RDwn
constexpr double kFinestStep = 0.001; // s

int64_t raw_low(const ParamDesc& d) { return d.is_signed ? INT32_MIN : 0; }
int64_t raw_high(const ParamDesc& d) { return d.is_signed ? INT32_MAX : UINT32_MAX; }

uint32_t clamp_raw(const ParamDesc& d, int64_t raw) {
    return static_cast<uint32_t>(std::clamp(raw, raw_low(d), raw_high(d)));
}

// A value the hardware itself puts into a parameter: anything its 32 bits hold.
std::optional<uint32_t> forced_raw(const ParamDesc& d, double value) {
    int64_t raw = d.type == kTypeOnOff ? (value != 0) : d.to_raw(value);
    if (raw < raw_low(d) || raw > raw_high(d)) return std::nullopt;
    return static_cast<uint32_t>(raw);
}

uint32_t initial_raw(const ParamDesc& d) {
    if (d.type == kTypeOnOff) return d.initial != 0 ? 1 : 0;
    return static_cast<uint32_t>(std::clamp(d.to_raw(d.initial), d.min_raw, d.max_raw));
}

bool is_on(const Channel& c) { return c.raw_of(Role::Pw, 0) != 0; }

double hv_max(const Board& b) { return std::fabs(b.value(Role::HVMax, kInf)); }

} // namespace

void ParamValues::bind(const ParamList& params) {
    list = &params;
    roles.fill(-1);
    raw.clear();
    for (size_t i = 0; i < params.size(); ++i) {
        raw.push_back(initial_raw(params[i]));
        auto& slot = roles[static_cast<size_t>(params[i].role)];
        if (slot < 0) slot = static_cast<int16_t>(i);
    }
}

int ParamValues::find(std::string_view name) const {
    for (size_t i = 0; i < list->size(); ++i)
        if ((*list)[i].name == name) return static_cast<int>(i);
    return -1;
}

double ParamValues::value(Role r, double fallback) const {
    int i = roles[static_cast<size_t>(r)];
    return i < 0 ? fallback : (*list)[i].to_value(raw[i]);
}

uint32_t ParamValues::raw_of(Role r, uint32_t fallback) const {
    int i = roles[static_cast<size_t>(r)];
    return i < 0 ? fallback : raw[i];
}

void ParamValues::set_value(Role r, double v) {
    int i = roles[static_cast<size_t>(r)];
    if (i >= 0) raw[i] = clamp_raw((*list)[i], (*list)[i].to_raw(v));
}

void ParamValues::set_raw(Role r, uint32_t v) {
    int i = roles[static_cast<size_t>(r)];
    if (i >= 0) raw[i] = v;
}

uint32_t Board::status() const {
    uint32_t s = 0;
    for (const auto& c : channels) {
        if (c.over_current) s |= kBdOverCurrent;
        if (c.tripped) s |= kBdTripped;
        if (c.killed) s |= kBdKilled;
    }
    double temp = value(Role::Temp, 0);
    double temp_max = value(Role::TempMax, kInf);
    if (temp > temp_max) s |= kBdOverTemp;
    return s;
}

uint8_t Board::state_byte() const {
    uint32_t s = status();
    if (s & (kBdTripped | kBdKilled | kBdOverTemp)) return kStateAlarm;
    if (s & kBdOverCurrent) return kStateWarning;
    return kStateOk;
}

Crate::Crate(CrateSpec spec) : spec_(std::move(spec)), last_(Clock::now()) {
    slots_.resize(static_cast<size_t>(spec_.slots));
    for (const auto& b : spec_.boards)
        slots_[b.slot] = make_board(spec_.kinds.at(b.kind), b.serial, b.fw_major, b.fw_minor);
}

std::unique_ptr<Board> Crate::make_board(const BoardKind& kind, unsigned serial, unsigned fw_major,
                                         unsigned fw_minor) {
    auto b = std::make_unique<Board>();
    b->uid = next_uid_++;
    b->kind = &kind;
    b->serial = serial;
    b->fw_major = fw_major;
    b->fw_minor = fw_minor;
    b->bind(kind.board_params);
    b->channels.resize(static_cast<size_t>(kind.channels));
    for (int i = 0; i < kind.channels; ++i) {
        Channel& c = b->channels[i];
        c.bind(*kind.channel_params[i]);
        c.load_mohm = kind.load_mohm;
        char name[16];
        std::snprintf(name, sizeof name, "Chan%03d", i);
        c.name = name;
        refresh(c);
    }
    refresh_board(*b);
    return b;
}

Board* Crate::board(int slot) {
    return slot >= 0 && slot < slots() ? slots_[slot].get() : nullptr;
}

const Board* Crate::board(int slot) const {
    return slot >= 0 && slot < slots() ? slots_[slot].get() : nullptr;
}

void Crate::advance(Clock::time_point now) {
    // Requests from many sessions arrive far more often than anything
    // visibly moves: a millisecond is the finest step worth computing.
    double dt = std::chrono::duration<double>(now - last_).count();
    if (dt < kFinestStep) return;
    last_ = now;
    for (auto& b : slots_) {
        if (!b) continue;
        for (auto& c : b->channels) {
            step(*b, c, dt);
            refresh(c);
        }
        refresh_board(*b);
    }
}

void Crate::step(Board& b, Channel& c, double dt) {
    bool on = is_on(c);
    double vset = c.value(Role::VSet, 0);
    double iset = std::fabs(c.value(Role::ISet, kInf));
    double rup = std::max(c.value(Role::RUp, kDefaultRamp), 1e-3);
    double rdwn = std::max(c.value(Role::RDwn, kDefaultRamp), 1e-3);
    double trip_s = c.value(Role::Trip, kNeverTrip);
    double limit = std::min(std::fabs(c.value(Role::SVMax, kInf)), hv_max(b));

    c.at_vmax = on && std::fabs(vset) > limit;
    double target = on ? std::clamp(vset, -limit, limit) : 0.0;
    // The voltage at which the load draws ISet: the supply cannot go above it.
    double vlim = std::max(0.0, iset - std::fabs(c.leak_ua)) * c.load_mohm;
    bool limited = on && std::fabs(target) > vlim;
    if (limited) target = std::copysign(vlim, target);
    // The current limit acts at once; ramps take their time.
    if (on && std::fabs(c.vmon) > vlim) c.vmon = std::copysign(vlim, c.vmon);

    if (c.vmon != target) {
        bool away = (c.vmon == 0 || std::signbit(c.vmon) == std::signbit(target)) &&
                    std::fabs(target) > std::fabs(c.vmon);
        double stepv = (away ? rup : rdwn) * dt;
        if (std::fabs(target - c.vmon) <= stepv) c.vmon = target;
        else c.vmon += target > c.vmon ? stepv : -stepv;
        c.ramp_up = c.vmon != target && away;
        c.ramp_down = c.vmon != target && !away;
    } else {
        c.ramp_up = c.ramp_down = false;
    }

    // Time at the limit counts from the step that reached it.
    bool was_limited = c.over_current;
    c.over_current = limited && std::fabs(c.vmon) >= vlim - 1e-9;
    if (!c.over_current) {
        c.oc_seconds = 0;
        return;
    }
    if (was_limited) c.oc_seconds += dt;
    if (trip_s < kNeverTrip && c.oc_seconds >= trip_s) trip(b, static_cast<int>(&c - b.channels.data()));
}

void Crate::trip(Board& b, int ch) {
    Channel& c = b.channels[ch];
    c.set_raw(Role::Pw, 0);
    c.tripped = true;
    c.over_current = false;
    c.oc_seconds = 0;
    if (c.value(Role::PDwn, 0) != 0) c.vmon = 0; // PDwn Kill: at once
    refresh(c);
    refresh_board(b);
}

void Crate::refresh(Channel& c) const {
    c.set_value(Role::VMon, c.vmon);
    c.set_value(Role::IMon, c.vmon / c.load_mohm + c.leak_ua);
    if (ripple_) {
        for (Role r : {Role::VMon, Role::IMon}) {
            uint32_t v = c.raw_of(r, 0);
            c.set_raw(r, v == 0xFFFFFFFFu || v == 0x7FFFFFFFu ? v - 1 : v + 1);
        }
    }
    uint32_t s = 0;
    if (is_on(c)) s |= kChOn;
    if (c.ramp_up) s |= kChRampUp;
    if (c.ramp_down) s |= kChRampDown;
    if (c.over_current) s |= kChOverCurrent;
    if (c.at_vmax) s |= kChMaxV;
    if (c.tripped) s |= kChTripped;
    if (c.killed) s |= kChKilled;
    c.set_raw(Role::Status, s);
}

void Crate::refresh_board(Board& b) { b.set_raw(Role::BdStatus, b.status()); }

void Crate::write_channel(Board& b, int ch, int idx, uint32_t raw) {
    Channel& c = b.channels[ch];
    c.raw[idx] = raw;
    if (c.params()[idx].role == Role::Pw && raw != 0) {
        // Switching on again clears what switched the channel off.
        c.tripped = c.killed = false;
        c.oc_seconds = 0;
    }
    refresh(c);
    refresh_board(b);
}

void Crate::write_board(Board& b, int idx, uint32_t raw) {
    b.raw[idx] = raw;
    refresh_board(b);
}

std::optional<std::string> Crate::force_channel(Board& b, int ch, int idx, double value) {
    Channel& c = b.channels[ch];
    const ParamDesc& d = c.params()[idx];
    switch (d.role) {
    case Role::VMon: c.vmon = value; break;
    case Role::IMon: c.leak_ua = value - c.vmon / c.load_mohm; break;
    case Role::Status: return std::string("Status follows the channel; use trip, load or kill");
    default: {
        auto raw = forced_raw(d, value);
        if (!raw) return std::string("value does not fit the parameter's 32 bits");
        write_channel(b, ch, idx, *raw);
        return std::nullopt;
    }
    }
    refresh(c);
    refresh_board(b);
    return std::nullopt;
}

std::optional<std::string> Crate::force_board(Board& b, int idx, double value) {
    const ParamDesc& d = b.params()[idx];
    if (d.role == Role::BdStatus) return std::string("BdStatus follows the board's channels and temperature");
    auto raw = forced_raw(d, value);
    if (!raw) return std::string("value does not fit the parameter's 32 bits");
    write_board(b, idx, *raw);
    return std::nullopt;
}

void Crate::kill_all() {
    for (auto& b : slots_) {
        if (!b) continue;
        for (auto& c : b->channels) {
            c.set_raw(Role::Pw, 0);
            c.vmon = 0;
            c.killed = true;
            c.over_current = c.ramp_up = c.ramp_down = false;
            c.oc_seconds = 0;
            refresh(c);
        }
        refresh_board(*b);
    }
}

void Crate::clear_alarms() {
    for (auto& b : slots_) {
        if (!b) continue;
        for (auto& c : b->channels) {
            c.tripped = c.killed = false;
            refresh(c);
        }
        refresh_board(*b);
    }
}

std::optional<std::string> Crate::pull(int slot) {
    if (slot < 0 || slot >= slots()) return "no slot " + std::to_string(slot);
    if (!slots_[slot]) return "slot " + std::to_string(slot) + " is empty";
    slots_[slot].reset();
    ++generation_;
    return std::nullopt;
}

std::optional<std::string> Crate::insert(int slot, const std::string& kind, unsigned serial) {
    if (slot < 0 || slot >= slots()) return "no slot " + std::to_string(slot);
    if (slots_[slot]) return "slot " + std::to_string(slot) + " holds a board";
    auto k = spec_.kinds.find(kind);
    if (k == spec_.kinds.end()) return "no board kind " + kind;
    if (serial > 0xFFFF) return "a serial number is 0..65535";
    slots_[slot] = make_board(k->second, serial, 1, 0);
    ++generation_;
    return std::nullopt;
}

std::optional<std::string> Crate::move(int from, int to) {
    if (from < 0 || from >= slots()) return "no slot " + std::to_string(from);
    if (to < 0 || to >= slots()) return "no slot " + std::to_string(to);
    if (!slots_[from]) return "slot " + std::to_string(from) + " is empty";
    if (slots_[to]) return "slot " + std::to_string(to) + " holds a board";
    slots_[to] = std::move(slots_[from]);
    ++generation_;
    return std::nullopt;
}

void Crate::set_ripple(bool on) {
    ripple_ = on;
    for (auto& b : slots_)
        if (b)
            for (auto& c : b->channels) refresh(c);
}

uint8_t Crate::system_state_byte() const {
    uint8_t s = kStateOk;
    for (const auto& b : slots_) {
        if (!b) continue;
        uint8_t bs = b->state_byte();
        if (bs == kStateAlarm) return kStateAlarm;
        if (bs == kStateWarning) s = kStateWarning;
    }
    return s;
}

int Crate::channels_on() const {
    int n = 0;
    for (const auto& b : slots_)
        if (b)
            for (const auto& c : b->channels) n += is_on(c);
    return n;
}

} // namespace sim::mf
