// The register model of a W40XX VME high-voltage board.
//
// The whole 64 KiB register space is memory: parameters of the board at
// 0x0000 + r, of channel n at (n + 1) x 0x80 + r, commands at 0x2000 + r,
// the descriptor area at 0x4000, the applicability masks at 0x4400, and the
// identity words from 0x8100.  Everything from 0x4000 up is read-only.
//
// The board's behaviour comes from the parameters it describes, found by
// name: VSet, ISet, RUp, RDwn, Trip, SVMax and PDwn drive each channel's
// output; VMon, IMon, Status and Pw show it; BdStatus shows which channels
// tripped; the commands ClrAlarm and Kill clear the trips and switch every
// channel off at once.  A model without one of these simply lacks that part.
#include <array>
#include <cmath>
#include <cstring>
#include <string_view>
#include <vector>

#include "device.h"
#include "hv_channel.h"
#include "result.h"

namespace zevacomm {

namespace {

constexpr unsigned kSpace = 0x10000;
constexpr unsigned kChannelBlock = 0x80;
constexpr unsigned kCommandArea = 0x2000;
constexpr unsigned kReadOnlyArea = 0x4000;
constexpr unsigned kDescriptors = 0x4000;
constexpr unsigned kDescriptorSize = 32;
constexpr unsigned kMasks = 0x4400;
constexpr unsigned kChannelCount = 0x8100;
constexpr unsigned kDescription = 0x8102;
constexpr unsigned kModelName = 0x8116;
constexpr unsigned kSerial = 0x811E;
constexpr unsigned kFirmware = 0x8120;

enum Role { VSet, ISet, VMon, IMon, RUp, RDwn, Trip, SVMax, Pw, PDwn, Status, kRoles };
constexpr std::array<std::string_view, kRoles> kRoleNames = {
    "VSet", "ISet", "VMon", "IMon", "RUp", "RDwn", "Trip", "SVMax", "Pw", "PDwn", "Status"};

// Where a value lives and how its raw number turns into volts, amperes or
// seconds.
struct Field {
    bool present = false;
    int offset = 0;
    bool wide = false;
    bool is_signed = false;
    double scale = 1;   // raw = shown x scale (0 in the descriptor: raw is shown)
    double unit = 1;    // shown x unit = SI value
};

Field field_of(const ParamSpec &p) {
    Field f;
    f.present = true;
    f.offset = p.offset;
    f.wide = (p.type_mode & 0x08) != 0;
    f.is_signed = (p.type_mode & 0x80) != 0;
    f.scale = p.scale == 0 ? 1.0 : p.scale;
    f.unit = std::pow(10.0, p.exponent);
    return f;
}

class W40xxBoard final : public Device {
public:
    explicit W40xxBoard(const Model &m) : mem_(kSpace, 0), channels_(m.channels) {
        ch_.resize(static_cast<std::size_t>(channels_));
        for (auto &c : ch_) c.load_ohm = m.load_mohm * 1e6;
        for (const auto &[n, mohm] : m.channel_loads) ch_[n].load_ohm = mohm * 1e6;
        write_identity(m);
        write_descriptors(m);
        find_roles(m);
        mark_shown_registers();
        write_initial_values(m);
        for (const auto &[addr, value] : m.pokes) put16(addr, value);
    }

    int read16(unsigned addr, std::uint16_t *value) override {
        if (addr >= kSpace || (addr & 1)) return kBadAddress;
        // Registers that show the outputs are brought up to date when read;
        // set points and everything else are plain memory.
        if (addr < kCommandArea && shows_[addr / 2] != kNone) {
            advance();
            if (shows_[addr / 2] == kBoardShown) render_board();
            else render_channel(shows_[addr / 2]);
        }
        *value = get16(addr);
        return kOk;
    }

    int write16(unsigned addr, std::uint16_t value) override {
        if (addr >= kSpace || (addr & 1)) return kBadAddress;
        if (addr >= kReadOnlyArea) return kReadOnly;
        advance();
        if (addr >= kCommandArea) {
            if (value == 1) command(addr - kCommandArea);
            return kOk;
        }
        put16(addr, value);
        if (roles_[Pw].present)
            for (int n = 0; n < channels_; ++n)
                if (addr == channel_addr(n, roles_[Pw])) {
                    if (value) ch_[n].switch_on();
                    else ch_[n].switch_off();
                }
        return kOk;
    }

private:
    std::uint16_t get16(unsigned a) const {
        return static_cast<std::uint16_t>(mem_[a] | (mem_[a + 1] << 8));
    }
    void put16(unsigned a, std::uint16_t v) {
        mem_[a] = static_cast<std::uint8_t>(v & 0xFF);
        mem_[a + 1] = static_cast<std::uint8_t>(v >> 8);
    }
    void put_text(unsigned a, const std::string &s, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i)
            mem_[a + i] = i < s.size() ? static_cast<std::uint8_t>(s[i]) : 0;
    }

    static unsigned channel_addr(int n, const Field &f) {
        return static_cast<unsigned>((n + 1) * static_cast<int>(kChannelBlock) + f.offset);
    }
    static bool in_space(long a, bool wide) { return a >= 0 && a + (wide ? 3 : 1) < kCommandArea; }

    double raw_at(unsigned a, const Field &f) const {
        std::uint32_t raw = get16(a);
        if (f.wide) raw |= static_cast<std::uint32_t>(get16(a + 2)) << 16;
        if (!f.is_signed) return raw;
        return f.wide ? static_cast<double>(static_cast<std::int32_t>(raw))
                      : static_cast<double>(static_cast<std::int16_t>(raw));
    }
    void store_raw(unsigned a, const Field &f, double raw) {
        const double lo = f.is_signed ? (f.wide ? -2147483648.0 : -32768.0) : 0.0;
        const double hi = f.wide ? (f.is_signed ? 2147483647.0 : 4294967295.0)
                                 : (f.is_signed ? 32767.0 : 65535.0);
        raw = std::round(std::min(std::max(raw, lo), hi));
        const auto bits = f.is_signed ? static_cast<std::uint32_t>(static_cast<std::int64_t>(raw))
                                      : static_cast<std::uint32_t>(raw);
        put16(a, static_cast<std::uint16_t>(bits & 0xFFFF));
        if (f.wide) put16(a + 2, static_cast<std::uint16_t>(bits >> 16));
    }

    // The SI value of a channel's role; fallback when the board lacks it.
    double si(int n, Role r, double fallback) const {
        const Field &f = roles_[r];
        if (!f.present) return fallback;
        return raw_at(channel_addr(n, f), f) / f.scale * f.unit;
    }
    void set_si(int n, Role r, double v) {
        const Field &f = roles_[r];
        if (f.present) store_raw(channel_addr(n, f), f, v / f.unit * f.scale);
    }

    HvSettings settings(int n) const {
        HvSettings s;
        s.vset = si(n, VSet, 0);
        s.ilimit = si(n, ISet, 1e9);
        s.vmax = si(n, SVMax, 1e12);
        s.rup = si(n, RUp, 50);
        s.rdown = si(n, RDwn, 50);
        s.trip_s = si(n, Trip, -1);
        s.kill = roles_[PDwn].present && get16(channel_addr(n, roles_[PDwn])) == 0;
        return s;
    }

    void advance() {
        clock_.advance([&](double h) {
            for (int n = 0; n < channels_; ++n) ch_[n].step(settings(n), h);
        });
    }

    void render_channel(int n) {
        if (n < 0 || n >= channels_) return;
        const HvChannel &c = ch_[n];
        set_si(n, VMon, c.vmon());
        set_si(n, IMon, c.imon());
        if (roles_[Status].present) put16(channel_addr(n, roles_[Status]),
                                          static_cast<std::uint16_t>(c.status(settings(n))));
        if (roles_[Pw].present) put16(channel_addr(n, roles_[Pw]), c.on() ? 1 : 0);
    }

    // Which channel (or the board) each register below the command area
    // shows, for the registers the outputs change.
    void mark_shown_registers() {
        shows_.assign(kCommandArea / 2, kNone);
        for (int n = 0; n < channels_; ++n)
            for (Role r : {VMon, IMon, Status, Pw}) {
                const Field &f = roles_[r];
                if (!f.present) continue;
                const unsigned a = channel_addr(n, f);
                shows_[a / 2] = static_cast<std::int16_t>(n);
                if (f.wide) shows_[a / 2 + 1] = static_cast<std::int16_t>(n);
            }
        if (bdstatus_ >= 0) shows_[static_cast<std::size_t>(bdstatus_) / 2] = kBoardShown;
    }

    void render_board() {
        if (bdstatus_ < 0) return;
        unsigned bits = 0;
        for (int n = 0; n < channels_ && n < 16; ++n)
            if (ch_[n].tripped()) bits |= 1u << n;
        put16(static_cast<unsigned>(bdstatus_), static_cast<std::uint16_t>(bits));
    }

    void command(unsigned r) {
        for (const auto &[offset, name] : commands_) {
            if (static_cast<unsigned>(offset) != r) continue;
            if (name == "ClrAlarm") {
                for (auto &c : ch_) c.clear_trip();
            } else if (name == "Kill") {
                for (auto &c : ch_) c.kill();
            }
        }
    }

    void write_identity(const Model &m) {
        put16(kChannelCount, static_cast<std::uint16_t>(m.channels));
        put_text(kDescription, m.description, 20);
        put_text(kModelName, m.model_name, 8);
        put16(kSerial, m.serial);
        put16(kFirmware, static_cast<std::uint16_t>(m.firmware & 0xFFFF));
    }

    void write_descriptors(const Model &m) {
        std::vector<std::uint32_t> masks(static_cast<std::size_t>(m.channels) + 1, 0);
        for (std::size_t j = 0; j < m.params.size(); ++j) {
            const ParamSpec &p = m.params[j];
            const unsigned d = kDescriptors + static_cast<unsigned>(j) * kDescriptorSize;
            put_text(d, p.name, 10);
            mem_[d + 10] = p.type_mode;
            mem_[d + 11] = static_cast<std::uint8_t>(p.offset);
            put16(d + 12, p.min);
            put16(d + 14, p.max);
            put16(d + 16, p.scale);
            mem_[d + 18] = p.unit;
            // The exponent is kept negated: micro (-6) is stored as 6.
            mem_[d + 19] = static_cast<std::uint8_t>(static_cast<std::int8_t>(-p.exponent));
            if (p.on_board) masks[0] |= 1u << j;
            for (int c : p.channels) masks[static_cast<std::size_t>(c) + 1] |= 1u << j;
        }
        for (std::size_t k = 0; k < masks.size(); ++k) {
            const unsigned a = kMasks + 4 * static_cast<unsigned>(k);
            put16(a, static_cast<std::uint16_t>(masks[k] & 0xFFFF));
            put16(a + 2, static_cast<std::uint16_t>(masks[k] >> 16));
        }
    }

    void find_roles(const Model &m) {
        for (const ParamSpec &p : m.params) {
            const unsigned access = p.type_mode & 0x60;
            if (access == 0x40) {
                commands_.emplace_back(p.offset, p.name);
                continue;
            }
            if (p.on_board && p.name == "BdStatus" && p.offset >= 0)
                bdstatus_ = p.offset;
            if (p.channels.empty()) continue;
            for (int r = 0; r < kRoles; ++r) {
                if (p.name != kRoleNames[r] || roles_[r].present) continue;
                const Field f = field_of(p);
                // A role whose registers would leave the parameter area
                // for some channel is not modelled.
                if (in_space(static_cast<long>(channel_addr(0, f)), f.wide) &&
                    in_space(static_cast<long>(channel_addr(channels_ - 1, f)), f.wide))
                    roles_[r] = f;
            }
        }
    }

    void write_initial_values(const Model &m) {
        for (const ParamSpec &p : m.params) {
            if ((p.type_mode & 0x60) == 0x40) continue;
            const Field f = field_of(p);
            std::optional<double> raw;
            if (p.init) raw = *p.init * f.scale;
            // SwRelease shows the firmware word (0x0105 reads 1.05).
            if (p.name == "SwRelease") raw = static_cast<double>(m.firmware & 0xFFFF);
            if (!raw) continue;
            if (p.on_board && in_space(p.offset, f.wide))
                store_raw(static_cast<unsigned>(p.offset), f, *raw);
            for (int c : p.channels) {
                const long a = static_cast<long>(channel_addr(c, f));
                if (in_space(a, f.wide)) store_raw(static_cast<unsigned>(a), f, *raw);
            }
        }
    }

    static constexpr std::int16_t kNone = -1;
    static constexpr std::int16_t kBoardShown = -2;

    std::vector<std::uint8_t> mem_;
    std::vector<std::int16_t> shows_;
    int channels_;
    std::vector<HvChannel> ch_;
    std::array<Field, kRoles> roles_{};
    std::vector<std::pair<int, std::string>> commands_;
    long bdstatus_ = -1;
    ModelClock clock_;
};

}  // namespace

std::unique_ptr<Device> make_w40xx_board(const Model &m) {
    return std::make_unique<W40xxBoard>(m);
}

}  // namespace zevacomm
