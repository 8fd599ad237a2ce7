// The register model of an RD40XX desktop high-voltage unit: four channels,
// each with its block of registers 0x100 apart, the firmware word and the
// module type.  Only the registers of the map answer; any other address is
// refused.
//
// The query pass: writing a selector (0xB0 to 0xBF) to channel 0's control
// register makes channel 0's Status, VMon and IMon registers answer that
// selector's scale word, minimum and maximum instead, until a control value
// is written to that register again.
//
// The control register: bit 0 Pw (reads back whether the output is on),
// bit 1 PDwn (1 ramp down after a trip, 0 kill), bit 2 IMRange (1 low).  The
// outputs are limited at ISet but never trip.
#include <array>
#include <cmath>

#include "device.h"
#include "hv_channel.h"
#include "result.h"

namespace zevacomm {

namespace {

constexpr unsigned kBlocks = 0x1000;
constexpr unsigned kStride = 0x100;
constexpr unsigned kFirmware = 0x8124;
constexpr unsigned kModuleType = 0x8140;

// Register offsets within a channel's block (from 0x1000).
enum : unsigned {
    kVSet = 0x20, kISet = 0x24, kRampUp = 0x28, kRampDwn = 0x2C, kVMax = 0x30,
    kControl = 0x34, kStatus = 0x38, kVMon = 0x40, kIMon = 0x44,
};

// Selectors of the quantities the unit scales.
enum : std::uint8_t {
    kQVSet = 0xB0, kQISet = 0xB1, kQRamp = 0xB2, kQVMax = 0xB3, kQVMon = 0xB4, kQIMon = 0xB5,
};

constexpr unsigned kCtlPw = 1u << 0;
constexpr unsigned kCtlPDwnRamp = 1u << 1;

class Rd40xxUnit final : public Device {
public:
    explicit Rd40xxUnit(const Model &m)
        : firmware_(m.firmware), module_type_(m.module_type), queries_(m.queries) {
        for (auto &c : ch_) c.load_ohm = m.load_mohm * 1e6;
        for (const auto &[n, mohm] : m.channel_loads)
            if (n < kRd40xxChannels) ch_[n].load_ohm = mohm * 1e6;
        for (auto &r : regs_) {
            r.fill(0);
            r[kControl / 2] = kCtlPDwnRamp;
            r[kRampUp / 2] = static_cast<std::uint16_t>(raw_of(kQRamp, 50));
            r[kRampDwn / 2] = static_cast<std::uint16_t>(raw_of(kQRamp, 50));
            r[kVMax / 2] = static_cast<std::uint16_t>(raw_of(kQVMax, 4100));
            r[kISet / 2] = static_cast<std::uint16_t>(raw_of(kQISet, 100e-6));
        }
        for (const auto &[addr, value] : m.pokes) poke(addr, value);
    }

    int read16(unsigned addr, std::uint16_t *value) override {
        if (addr & 1) return kBadAddress;
        if (addr == kFirmware || addr == kFirmware + 2) {
            *value = static_cast<std::uint16_t>(addr == kFirmware ? firmware_ & 0xFFFF
                                                                  : firmware_ >> 16);
            return kOk;
        }
        if (addr == kModuleType) {
            *value = module_type_;
            return kOk;
        }
        int n;
        unsigned reg;
        if (!decode(addr, &n, &reg)) return kBadAddress;
        if (n == 0 && selector_ && (reg == kStatus || reg == kVMon || reg == kIMon)) {
            *value = query_answer(reg);
            return kOk;
        }
        advance();
        auto &r = regs_[n];
        switch (reg) {
        case kControl:
            *value = static_cast<std::uint16_t>((r[reg / 2] & ~kCtlPw) | (ch_[n].on() ? kCtlPw : 0));
            return kOk;
        case kStatus:
            *value = static_cast<std::uint16_t>(ch_[n].status(settings(n)));
            return kOk;
        case kVMon:
            *value = clamp16(raw_of(kQVMon, ch_[n].vmon()));
            return kOk;
        case kIMon:
            *value = clamp16(raw_of(kQIMon, ch_[n].imon()));
            return kOk;
        default:
            *value = r[reg / 2];
            return kOk;
        }
    }

    int write16(unsigned addr, std::uint16_t value) override {
        if (addr & 1) return kBadAddress;
        if (addr == kFirmware || addr == kFirmware + 2 || addr == kModuleType) return kReadOnly;
        int n;
        unsigned reg;
        if (!decode(addr, &n, &reg)) return kBadAddress;
        if (reg == kStatus || reg == kVMon || reg == kIMon) return kReadOnly;
        advance();
        if (reg == kControl) {
            if (n == 0 && value >= 0xB0 && value <= 0xBF) {
                selector_ = static_cast<std::uint8_t>(value);
                return kOk;
            }
            if (n == 0) selector_ = 0;
            if (value & kCtlPw) {
                if (!ch_[n].on()) ch_[n].switch_on();
            } else {
                ch_[n].switch_off();
            }
        }
        regs_[n][reg / 2] = value;
        return kOk;
    }

private:
    static bool decode(unsigned addr, int *n, unsigned *reg) {
        if (addr < kBlocks || addr >= kBlocks + kRd40xxChannels * kStride) return false;
        *n = static_cast<int>((addr - kBlocks) / kStride);
        *reg = (addr - kBlocks) % kStride;
        switch (*reg) {
        case kVSet: case kISet: case kRampUp: case kRampDwn: case kVMax:
        case kControl: case kStatus: case kVMon: case kIMon:
            return true;
        default:
            return false;
        }
    }

    void poke(unsigned addr, std::uint16_t value) {
        int n;
        unsigned reg;
        if (decode(addr, &n, &reg)) regs_[n][reg / 2] = value;
        else if (addr == kModuleType) module_type_ = value;
    }

    const QuerySpec *query(std::uint8_t selector) const {
        for (const QuerySpec &q : queries_)
            if (q.selector == selector) return &q;
        return nullptr;
    }

    std::uint16_t query_answer(unsigned reg) const {
        const QuerySpec *q = query(selector_);
        if (!q) return 0;
        return reg == kStatus ? q->scale_word : reg == kVMon ? q->min : q->max;
    }

    // Raw counts per SI unit of a selector's quantity.
    double counts_per_si(std::uint8_t selector) const {
        const QuerySpec *q = query(selector);
        if (!q) return 1;
        const double resolution = q->scale_word & 0x3FFF;
        const double unit = std::pow(10.0, -3.0 * (q->scale_word >> 14));
        return (resolution == 0 ? 1.0 : resolution) / unit;
    }
    double raw_of(std::uint8_t selector, double si) const {
        return std::round(si * counts_per_si(selector));
    }
    double si_of(std::uint8_t selector, unsigned raw) const {
        return raw / counts_per_si(selector);
    }
    static std::uint16_t clamp16(double raw) {
        return static_cast<std::uint16_t>(std::min(std::max(raw, 0.0), 65535.0));
    }

    HvSettings settings(int n) const {
        const auto &r = regs_[n];
        HvSettings s;
        s.vset = si_of(kQVSet, r[kVSet / 2]);
        s.ilimit = si_of(kQISet, r[kISet / 2]);
        s.vmax = si_of(kQVMax, r[kVMax / 2]);
        s.rup = si_of(kQRamp, r[kRampUp / 2]);
        s.rdown = si_of(kQRamp, r[kRampDwn / 2]);
        s.kill = (r[kControl / 2] & kCtlPDwnRamp) == 0;
        return s;
    }

    void advance() {
        clock_.advance([&](double h) {
            for (int n = 0; n < kRd40xxChannels; ++n) ch_[n].step(settings(n), h);
        });
    }

    std::uint32_t firmware_;
    std::uint16_t module_type_;
    std::vector<QuerySpec> queries_;
    std::uint8_t selector_ = 0;
    std::array<std::array<std::uint16_t, kStride / 2>, kRd40xxChannels> regs_{};
    std::array<HvChannel, kRd40xxChannels> ch_{};
    ModelClock clock_;
};

}  // namespace

std::unique_ptr<Device> make_rd40xx_unit(const Model &m) {
    return std::make_unique<Rd40xxUnit>(m);
}

}  // namespace zevacomm
