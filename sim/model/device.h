#pragma once
// One simulated module on a line: its parameter table, the stored value of
// every parameter for the board and for each channel, and the hooks where a
// family's module does more than store what it is told (a high-voltage
// channel ramps, a status word is derived from the state).

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/param.h"
#include "wire/dialect.h"

namespace sim {

using Clock = std::chrono::steady_clock;

// Front-panel words are typed by people: letter case does not count.
bool same_ignoring_case(std::string_view a, std::string_view b);

// One line of a device's front-panel help: the word with its arguments,
// padded, then what it does.
std::string panel_entry(const std::string& usage, const std::string& what);

// Who changes a value: the remote command language, or the module's own
// front panel (the control channel), which may touch read-only state.
enum class Origin { Wire, Panel };

struct Identity {
    std::string model;
    std::string fwrel;
    unsigned serial = 0;
};

class Device {
public:
    Device(const ParamTable& table, int channels);
    virtual ~Device() = default;
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;

    const ParamTable& table() const { return table_; }
    int channels() const { return channels_; }
    // Exact match for the wire; the control channel ignores letter case.
    int find(std::string_view mnemonic, bool ignore_case = false) const;

    bool local = false; // front panel in charge: every remote set is refused

    // Brings time-dependent state (ramps, trips) up to `now`.
    virtual void advance(Clock::time_point now) { (void)now; }

    // The value text of parameter `idx` on channel `ch` (0 for board rows),
    // or nothing when the row cannot be read.
    std::optional<std::string> read(int idx, int ch) const;
    // Whether a value written to the row is what it reads: false for a
    // word that follows the device's state (a monitor, a status word)
    // when the write did not move that state.
    bool reads_as_stored(int idx, int ch) const;
    // Stores a value given as text; a refusal when the text is not a valid
    // value of the row or lies outside its range.
    std::optional<Refusal> write(int idx, int ch, std::string_view value, Origin origin);
    // Runs a set without value (ON, OFF, BDCLR).
    std::optional<Refusal> act(int idx, int ch);

    // Whether channel `ch` has the channel word `idx` (a self-describing
    // module may give its channels different words); board words always.
    virtual bool on_channel(int idx, int ch) const {
        (void)idx;
        (void)ch;
        return true;
    }
    // The description of a word, for modules that describe their own words;
    // nothing for the others (the command is refused).
    virtual std::optional<std::string> info(int idx, int ch) const {
        (void)idx;
        (void)ch;
        return std::nullopt;
    }

    // Front-panel words beyond the table (a load resistance, a forced
    // monitor); nothing when the word is not one of them.
    virtual std::optional<std::optional<Refusal>> panel_set(std::string_view mnemonic, int ch,
                                                            std::string_view value);
    virtual std::optional<std::string> panel_get(std::string_view mnemonic, int ch) const;
    // One line per front-panel word, for --help.
    virtual std::vector<std::string> panel_help() const { return {}; }

    virtual void set_identity(const Identity& id);

protected:
    // The value a row holds, as read() gives it when nothing computes it.
    std::optional<std::string> stored(int idx, int ch) const;
    void set_text(int idx, int ch, std::string v) { text_[idx][slot(idx, ch)] = std::move(v); }
    const std::string& text(int idx, int ch) const { return text_[idx][slot(idx, ch)]; }
    double number(int idx, int ch) const { return num_[idx][slot(idx, ch)]; }
    void set_number(int idx, int ch, double v) { num_[idx][slot(idx, ch)] = v; }
    int index_of(std::string_view mnemonic) const; // -1 when absent; for hooks

    virtual std::optional<std::string> computed(int idx, int ch) const {
        (void)idx;
        (void)ch;
        return std::nullopt;
    }
    virtual std::optional<Refusal> on_action(int idx, int ch) {
        (void)idx;
        (void)ch;
        return Refusal::Par;
    }
    // A further check of a value written to row `idx` of channel `ch` (a
    // number, an index, or 1/0 for an on/off word), beyond the row's range:
    // limits that differ from channel to channel, a switch the state refuses.
    virtual std::optional<Refusal> check_value(int idx, int ch, double v) const {
        (void)idx;
        (void)ch;
        (void)v;
        return std::nullopt;
    }
    virtual void changed(int idx, int ch, Origin origin) {
        (void)idx;
        (void)ch;
        (void)origin;
    }

private:
    int slot(int idx, int ch) const { return table_[idx].scope == Scope::Channel ? ch : 0; }

    const ParamTable& table_;
    int channels_;
    std::vector<std::vector<double>> num_;
    std::vector<std::vector<std::string>> text_;
};

} // namespace sim
