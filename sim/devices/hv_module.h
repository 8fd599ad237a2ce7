#pragma once
// A high-voltage module whose channels are HvChannels: the behaviour hangs
// on the words the module uses for it (HvWords), so that the Q3815, the
// RD40XXE and a LUMENHV whose description names other words share it.
// Front-panel words of the control channel: LOAD (per channel), VMON (put
// the output at once), the interlock and the alarm word.

#include <limits>
#include <string>
#include <vector>

#include "devices/hv_channel.h"
#include "model/device.h"
#include "model/integrate.h"

namespace sim {

// The words of the table that the behaviour reads or drives; an empty word
// is a feature the module does not have.
struct HvWords {
    // Channel words.
    std::string vset, vmon, iset, imon, maxv, rup, rdw, trip, pdwn, stat;
    std::string on, off; // actions: switch the channel on or off
    std::string power;   // an on/off word that switches (reads) the channel
    // Board words.
    std::string interlock; // on/off: the interlock fired (read-only)
    std::string alarm;     // status: a bit per tripped channel, latched
    std::string clear;     // action (or write-only on/off): clear trips and alarm
};

// The words of the Q3815 and RD40XXE.
HvWords standard_hv_words();

class HvModule : public Device {
public:
    HvModule(const ParamTable& table, int channels, const HvWords& words);

    void advance(Clock::time_point now) override;
    std::optional<std::optional<Refusal>> panel_set(std::string_view mnemonic, int ch,
                                                    std::string_view value) override;
    std::optional<std::string> panel_get(std::string_view mnemonic, int ch) const override;
    std::vector<std::string> panel_help() const override;

protected:
    std::optional<std::string> computed(int idx, int ch) const override;
    std::optional<Refusal> on_action(int idx, int ch) override;
    void changed(int idx, int ch, Origin origin) override;

    virtual bool interlock_fired() const { return interlock_; }
    // The front panel fires (true) or releases the interlock.
    virtual void set_interlock(bool fire) { interlock_ = fire; }
    // Decimals of the current monitor now, and where it saturates.
    virtual int imon_decimals(int ch) const;
    virtual double imon_ceiling(int ch) const {
        (void)ch;
        return std::numeric_limits<double>::infinity();
    }
    // The alarm word's bit of a channel that tripped.
    virtual unsigned alarm_bit(int ch) const { return ch < 16 ? 1u << ch : 0u; }

    HvSettings settings(int ch) const;
    unsigned alarm_word() const { return alarm_ | forced_alarm_; }

    // Row indexes of the words; -1 for a word the module does not have.
    struct Rows {
        int vset, vmon, iset, imon, maxv, rup, rdw, trip, pdwn, stat, on, off, power;
        int interlock, alarm, clear;
    };
    const Rows& rows() const { return rows_; }

private:
    void clear_all();
    double value_or(int idx, int ch, double fallback) const {
        return idx >= 0 ? number(idx, ch) : fallback;
    }

    Rows rows_;
    std::vector<HvChannel> ch_;
    bool interlock_ = false;
    unsigned alarm_ = 0;
    unsigned forced_alarm_ = 0;
    Clock::time_point last_;
};

} // namespace sim
