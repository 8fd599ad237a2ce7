#include "devices/lumenhv/lumenhv.h"

#include <cmath>

#include "devices/hv_module.h"
#include "devices/hv_rows.h"

namespace sim {

namespace {

using lumenhv::Description;
using lumenhv::WordDescription;

// Integer digits of a number's largest value, as a client counts them to
// format what it writes (8000 has 4).
int integer_digits(double max) {
    int d = 1;
    for (double m = std::fabs(max); m >= 10; m /= 10) ++d;
    return d;
}

ParamDef row_of(const WordDescription& w, Scope scope) {
    ParamDef p;
    p.mnemonic = w.name;
    p.scope = scope;
    p.access = w.mode == 0 ? Access::R : w.mode == 1 ? Access::W : Access::RW;
    p.min = w.min;
    p.max = w.max;
    p.decimals = w.decimals;
    p.int_digits = integer_digits(w.max);
    p.initial = w.value;
    p.on_text = w.on_text;
    p.off_text = w.off_text;
    p.initial_text = w.text;
    p.help = w.help;
    switch (w.type) {
    case 0: p.kind = Kind::Number; break;
    case 1: p.kind = Kind::OnOff; break;
    case 2:
    case 3:
        p.kind = Kind::Status;
        if (p.max == 0) p.max = 65535;
        break;
    case 5: p.kind = Kind::Text; break;
    case 7: p.kind = Kind::Action; break;
    default: // 4 raw, 6 index: whole numbers in min..max
        p.kind = Kind::Enum;
        p.decimals = 0;
        break;
    }
    return p;
}

// The table and the behaviour's words, built before the module that uses
// them (a base class constructed first).
struct Parts {
    explicit Parts(const Description& d) : description(d) {
        table = hv_identification_rows();
        table.push_back(text("PARLIST", Scope::Board, Access::R, "", "the board words, ';'-joined"));
        table.push_back(
            text("PARCHLIST", Scope::Channel, Access::R, "", "channel n's words, ';'-joined"));
        // Rows point at the words of our own copy of the description.
        for (const auto& w : description.board) add(w, Scope::Board);
        for (const auto& w : description.channel) add(w, Scope::Channel);
        // The words an HV module switches and reports with, when the
        // description has power or status but names them otherwise.
        if (!words.power.empty() || !words.stat.empty()) {
            hidden("ON", action("ON", Scope::Channel, "switch the channel on (not listed)"));
            hidden("OFF", action("OFF", Scope::Channel, "switch the channel off (not listed)"));
            words.on = "ON";
            words.off = "OFF";
        }
        if (!words.stat.empty() && words.stat != "STAT")
            stat_alias = hidden("STAT", status("STAT", Scope::Channel, "the status word (not listed)"));
    }

    void add(const WordDescription& w, Scope scope) {
        described.resize(table.size(), nullptr);
        described.push_back(&w);
        table.push_back(row_of(w, scope));
        std::string* slot = nullptr;
        static const struct {
            const char* role;
            std::string HvWords::*word;
        } bind[] = {{"vset", &HvWords::vset},   {"vmon", &HvWords::vmon},
                    {"iset", &HvWords::iset},   {"imon", &HvWords::imon},
                    {"maxv", &HvWords::maxv},   {"rup", &HvWords::rup},
                    {"rdw", &HvWords::rdw},     {"trip", &HvWords::trip},
                    {"pdwn", &HvWords::pdwn},   {"status", &HvWords::stat},
                    {"power", &HvWords::power}, {"interlock", &HvWords::interlock},
                    {"alarm", &HvWords::alarm}, {"clear", &HvWords::clear}};
        for (const auto& b : bind)
            if (w.role == b.role) slot = &(words.*(b.word));
        if (slot) *slot = w.name;
    }

    // A word the module takes but does not list; -1 when the description
    // already has a word of that name.
    int hidden(const char* name, ParamDef row) {
        for (const auto& r : table)
            if (r.mnemonic == name) return -1;
        table.push_back(std::move(row));
        return static_cast<int>(table.size()) - 1;
    }

    Description description;
    ParamTable table;
    HvWords words;
    std::vector<const WordDescription*> described; // by row; null: not a described word
    int stat_alias = -1;
};

class Lumenhv : private Parts, public HvModule {
public:
    explicit Lumenhv(const Description& d)
        : Parts(d), HvModule(Parts::table, d.channels, Parts::words) {
        set_text(index_of("BDNAME"), 0, description.model);
        parlist_ = index_of("PARLIST");
        parchlist_ = index_of("PARCHLIST");
    }

    bool on_channel(int idx, int ch) const override {
        const WordDescription* w = described_word(idx);
        if (!w || w->channels.empty()) return true;
        for (int c : w->channels)
            if (c == ch) return true;
        return false;
    }

    std::optional<std::string> info(int idx, int ch) const override {
        (void)ch;
        const WordDescription* w = described_word(idx);
        if (!w) return std::nullopt;
        return lumenhv::info_text(*w);
    }

protected:
    std::optional<std::string> computed(int idx, int ch) const override {
        if (idx == parlist_) return joined_names(description.board, -1);
        if (idx == parchlist_) return joined_names(description.channel, ch);
        if (idx == stat_alias) return HvModule::computed(rows().stat, ch);
        return HvModule::computed(idx, ch);
    }

    std::optional<Refusal> on_action(int idx, int ch) override {
        // A described command without a behaviour is taken and does nothing.
        const WordDescription* w = described_word(idx);
        if (w && w->role.empty()) return std::nullopt;
        return HvModule::on_action(idx, ch);
    }

private:
    const WordDescription* described_word(int idx) const {
        return idx >= 0 && static_cast<size_t>(idx) < described.size() ? described[idx] : nullptr;
    }

    static std::string joined_names(const std::vector<WordDescription>& words, int ch) {
        std::string out;
        for (const auto& w : words) {
            bool here = ch < 0 || w.channels.empty();
            for (int c : w.channels) here = here || c == ch;
            if (!here) continue;
            if (!out.empty()) out += ';';
            out += w.name;
        }
        return out;
    }

    int parlist_ = -1;
    int parchlist_ = -1;
};

} // namespace

std::unique_ptr<Device> make_lumenhv(const Description& d) { return std::make_unique<Lumenhv>(d); }

std::string lumenhv_notes() {
    return lumenhv::description_help() + R"(
Channel status word (of the status role and STAT), as the Q3815's:
  bit 0 on; 1 ramping up; 2 switched off and still ramping down; 3 over-current
  (held at the current limit); 5 under-voltage; 6 set point above maxv; 7
  tripped (until ON or the clear); 11 killed (pdwn off); 12 interlock active.
)";
}

} // namespace sim
