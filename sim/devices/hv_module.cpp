#include "devices/hv_module.h"

#include <algorithm>

#include "model/value_text.h"

namespace sim {

namespace {

bool same_word(std::string_view a, const std::string& word) {
    return !word.empty() && same_ignoring_case(a, word);
}

constexpr double kNever = 1e12; // a module without a trip time never trips

} // namespace

HvWords standard_hv_words() {
    HvWords w;
    w.vset = "VSET";
    w.vmon = "VMON";
    w.iset = "ISET";
    w.imon = "IMON";
    w.maxv = "MAXV";
    w.rup = "RUP";
    w.rdw = "RDW";
    w.trip = "TRIP";
    w.pdwn = "PDWN";
    w.stat = "STAT";
    w.on = "ON";
    w.off = "OFF";
    w.interlock = "BDILK";
    w.alarm = "BDALARM";
    w.clear = "BDCLR";
    return w;
}

HvModule::HvModule(const ParamTable& table, int channels, const HvWords& w)
    : Device(table, channels), ch_(static_cast<size_t>(channels)), last_(Clock::now()) {
    auto at = [this](const std::string& word) { return word.empty() ? -1 : index_of(word); };
    rows_ = {at(w.vset), at(w.vmon),  at(w.iset), at(w.imon),      at(w.maxv),
             at(w.rup),  at(w.rdw),   at(w.trip), at(w.pdwn),      at(w.stat),
             at(w.on),   at(w.off),   at(w.power), at(w.interlock), at(w.alarm),
             at(w.clear)};
}

HvSettings HvModule::settings(int ch) const {
    HvSettings s;
    s.vset = value_or(rows_.vset, ch, 0);
    s.maxv = value_or(rows_.maxv, ch, 1e9);
    s.iset = value_or(rows_.iset, ch, 1e9);
    s.rup = value_or(rows_.rup, ch, 50);
    s.rdw = value_or(rows_.rdw, ch, 50);
    s.trip = rows_.trip >= 0 ? number(rows_.trip, ch) : kNever;
    s.kill = rows_.pdwn >= 0 && number(rows_.pdwn, ch) == 0; // on = ramp down
    return s;
}

void HvModule::advance(Clock::time_point now) {
    integrate(last_, now, [this](double h) {
        for (int c = 0; c < channels(); ++c)
            if (ch_[c].step(settings(c), interlock_fired(), h)) alarm_ |= alarm_bit(c);
    });
}

int HvModule::imon_decimals(int ch) const {
    (void)ch;
    return rows_.imon >= 0 ? table()[rows_.imon].decimals : 2;
}

std::optional<std::string> HvModule::computed(int idx, int ch) const {
    if (idx < 0) return std::nullopt;
    if (idx == rows_.vmon) return format_fixed(ch_[ch].vmon, table()[idx].int_digits, table()[idx].decimals);
    if (idx == rows_.imon) {
        double i = std::min(ch_[ch].current(), imon_ceiling(ch));
        return format_fixed(i, table()[idx].int_digits, imon_decimals(ch));
    }
    if (idx == rows_.stat) return format_status(ch_[ch].status(settings(ch), interlock_fired()));
    if (idx == rows_.power) return ch_[ch].on ? table()[idx].on_text : table()[idx].off_text;
    if (idx == rows_.interlock)
        return interlock_fired() ? table()[idx].on_text : table()[idx].off_text;
    if (idx == rows_.alarm) return format_status(alarm_word());
    return std::nullopt;
}

void HvModule::clear_all() {
    alarm_ = 0;
    forced_alarm_ = 0;
    for (auto& c : ch_) c.clear_trip();
}

std::optional<Refusal> HvModule::on_action(int idx, int ch) {
    if (idx < 0) return Refusal::Par;
    if (idx == rows_.on) {
        // The board alarm stays latched until the clear.
        ch_[ch].switch_on(interlock_fired());
        return std::nullopt;
    }
    if (idx == rows_.off) {
        ch_[ch].switch_off();
        return std::nullopt;
    }
    if (idx == rows_.clear) {
        clear_all();
        return std::nullopt;
    }
    return Refusal::Par;
}

void HvModule::changed(int idx, int ch, Origin) {
    if (idx < 0) return;
    // A power word written on or off switches; a clear word written on clears.
    if (idx == rows_.power) {
        if (number(idx, ch) != 0) ch_[ch].switch_on(interlock_fired());
        else ch_[ch].switch_off();
    } else if (idx == rows_.clear && number(idx, ch) != 0) {
        clear_all();
        set_number(idx, ch, 0);
    }
}

std::optional<std::optional<Refusal>> HvModule::panel_set(std::string_view mn, int ch,
                                                          std::string_view value) {
    const bool load = same_ignoring_case(mn, "LOAD");
    if (load || (rows_.vmon >= 0 && same_word(mn, table()[rows_.vmon].mnemonic))) {
        if (ch < 0 || ch >= channels()) return Refusal::Ch;
        auto v = parse_decimal(value);
        if (!v || *v < 0 || (load && *v == 0)) return Refusal::Val;
        if (load) ch_[ch].load = *v;
        else ch_[ch].vmon = *v;
        return std::optional<Refusal>{};
    }
    if (rows_.interlock >= 0 && same_word(mn, table()[rows_.interlock].mnemonic)) {
        const ParamDef& p = table()[rows_.interlock];
        bool fire;
        if (value == "1" || same_word(value, p.on_text)) fire = true;
        else if (value == "0" || same_word(value, p.off_text)) fire = false;
        else return Refusal::Val;
        set_interlock(fire);
        return std::optional<Refusal>{};
    }
    if (rows_.alarm >= 0 && same_word(mn, table()[rows_.alarm].mnemonic)) {
        auto v = parse_whole(value);
        if (!v || *v < 0 || *v > 65535) return Refusal::Val;
        forced_alarm_ = static_cast<unsigned>(*v);
        return std::optional<Refusal>{};
    }
    return std::nullopt;
}

std::optional<std::string> HvModule::panel_get(std::string_view mn, int ch) const {
    if (same_ignoring_case(mn, "LOAD") && ch >= 0 && ch < channels()) return format_fixed(ch_[ch].load, 1, 1);
    return std::nullopt;
}

std::vector<std::string> HvModule::panel_help() const {
    std::vector<std::string> h = {panel_entry("LOAD <ch> <MOhm>",
                                              "load resistance of a channel (default 100): "
                                              "IMON = VMON / LOAD")};
    if (rows_.vmon >= 0)
        h.push_back(panel_entry(table()[rows_.vmon].mnemonic + " <ch> <V>",
                                "put the output voltage at once (it ramps on from there)"));
    if (rows_.interlock >= 0) {
        const ParamDef& p = table()[rows_.interlock];
        h.push_back(panel_entry(p.mnemonic + " -1 " + p.on_text + "|" + p.off_text,
                                "fire or release the interlock"));
    }
    if (rows_.alarm >= 0)
        h.push_back(panel_entry(table()[rows_.alarm].mnemonic + " -1 <n>",
                                "force alarm bits until the clear"));
    return h;
}

} // namespace sim
