// RD40XX desktop high-voltage units (system type 9): four channels of 16-bit
// registers, channel n's register 0x100 x n above channel 0's.  A fixed
// table maps each parameter to its register; the unit's scaling is read at
// open through the query register.
//
// Query pass: a selector written to channel 0's control register (0x1034)
// makes 0x1038 answer the selector's scale word and 0x1040 and 0x1044 its
// raw minimum and maximum.  Scale word: bits 0-13 the resolution (raw =
// shown x resolution), bits 14-15 the exponent code (the unit's power of
// ten is -3 x code).  No row multiplies the resolution further.
//
// The control register holds Pw (bit 0), PDwn (bit 1) and IMRange (bit 2,
// 1 = low range); IMonL and IMonH read the one current monitor and show 0
// unless the channel is in their range.
#include <chrono>
#include <cstdio>
#include <thread>

#include "regaccess/rd40xx/rd40xx.h"

namespace zevahv::regaccess::rd40xx {

namespace {

constexpr int kChannels = 4;
constexpr unsigned kChannelStride = 0x100;
constexpr unsigned kControl = 0x1034;
constexpr unsigned kQueryScale = 0x1038;
constexpr unsigned kQueryMin = 0x1040;
constexpr unsigned kQueryMax = 0x1044;
constexpr unsigned kFirmware = 0x8124;
constexpr unsigned kModuleType = 0x8140;
constexpr unsigned kRd40xxType = 10;
// The unit needs this long after a selector before it answers the query.
constexpr int kQuerySettleMs = 100;

struct TableRow {
    const char *name;
    unsigned reg;
    unsigned char selector;  // 0: nothing to query
    unsigned type;
    unsigned mode;
    unsigned short unit;
    const char *on;
    const char *off;
    int bit;
    Special special;
};

constexpr unsigned kNum = ZEVAHV_PARAM_TYPE_NUMERIC;
constexpr unsigned kOnOff = ZEVAHV_PARAM_TYPE_ONOFF;
constexpr unsigned kRO = ZEVAHV_PARAM_MODE_RDONLY;
constexpr unsigned kRW = ZEVAHV_PARAM_MODE_RDWR;

constexpr TableRow kTable[] = {
    {"VSet", 0x1020, 0xB0, kNum, kRW, ZEVAHV_PARAM_UN_VOLT, "", "", -1, Special::None},
    {"ISet", 0x1024, 0xB1, kNum, kRW, ZEVAHV_PARAM_UN_AMPERE, "", "", -1, Special::None},
    {"VMon", 0x1040, 0xB4, kNum, kRO, ZEVAHV_PARAM_UN_VOLT, "", "", -1, Special::None},
    {"IMRange", 0x1034, 0, kOnOff, kRW, ZEVAHV_PARAM_UN_NONE, "Low", "Hi", 2, Special::RangeSwitch},
    {"IMonL", 0x1044, 0xB5, kNum, kRO, ZEVAHV_PARAM_UN_AMPERE, "", "", -1, Special::RangeLow},
    {"IMonH", 0x1044, 0xB5, kNum, kRO, ZEVAHV_PARAM_UN_AMPERE, "", "", -1, Special::RangeHigh},
    {"RampUp", 0x1028, 0xB2, kNum, kRW, ZEVAHV_PARAM_UN_VPS, "", "", -1, Special::None},
    {"RampDwn", 0x102C, 0xB2, kNum, kRW, ZEVAHV_PARAM_UN_VPS, "", "", -1, Special::None},
    {"VMax", 0x1030, 0xB3, kNum, kRW, ZEVAHV_PARAM_UN_VOLT, "", "", -1, Special::None},
    {"Pw", 0x1034, 0, kOnOff, kRW, ZEVAHV_PARAM_UN_NONE, "On", "Off", 0, Special::None},
    {"PDwn", 0x1034, 0, kOnOff, kRW, ZEVAHV_PARAM_UN_NONE, "Ramp", "Kill", 1, Special::None},
    {"Status", 0x1038, 0, ZEVAHV_PARAM_TYPE_CHSTATUS, kRO, ZEVAHV_PARAM_UN_NONE, "", "", -1,
     Special::None},
};

unsigned address(const Row &row, int channel) {
    return static_cast<unsigned>(row.offset) +
           static_cast<unsigned>(channel < 0 ? 0 : channel) * kChannelStride;
}

// Applies one query's answer to a row.
void apply_query(Row &r, std::uint16_t scale_word, std::uint16_t min, std::uint16_t max) {
    const double resolution = scale_word & 0x3FFF;
    r.scale = resolution;
    r.exp = static_cast<short>(-3 * (scale_word >> 14));
    r.decimals = scale_decimals(resolution);
    r.min = static_cast<float>(resolution == 0 ? min : min / resolution);
    r.max = static_cast<float>(resolution == 0 ? max : max / resolution);
}

// Runs the query of one selector; false when a register access fails.
bool query(Device &d, unsigned char selector) {
    if (d.comm.write16(d.handle, kControl, selector) != 0) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(kQuerySettleMs));
    std::uint16_t s = 0, lo = 0, hi = 0;
    if (d.comm.read16(d.handle, kQueryScale, &s) != 0 ||
        d.comm.read16(d.handle, kQueryMin, &lo) != 0 ||
        d.comm.read16(d.handle, kQueryMax, &hi) != 0)
        return false;
    for (std::size_t i = 0; i < d.rows.size(); ++i)
        if (kTable[i].selector == selector) apply_query(d.rows[i], s, lo, hi);
    return true;
}

// The query pass: one query per selector (rows that share one share its
// answer), then the control register as it was before.
bool query_pass(Device &d, std::uint16_t kept_control) {
    bool ok = true;
    unsigned char done[std::size(kTable)] = {};
    std::size_t ndone = 0;
    for (const TableRow &t : kTable) {
        if (!ok || t.selector == 0) continue;
        bool seen = false;
        for (std::size_t k = 0; k < ndone; ++k) seen = seen || done[k] == t.selector;
        if (seen) continue;
        done[ndone++] = t.selector;
        ok = query(d, t.selector);
    }
    // Back to the channel's own control bits, whatever happened above.
    return d.comm.write16(d.handle, kControl, kept_control) == 0 && ok;
}

int open_unit(Device &d) {
    for (const TableRow &t : kTable) {
        Row r;
        r.name = t.name;
        r.type = t.type;
        r.mode = t.mode;
        r.offset = static_cast<int>(t.reg);
        r.unit = t.unit;
        r.on_text = t.on;
        r.off_text = t.off;
        r.bit = t.bit;
        r.special = t.special;
        d.rows.push_back(std::move(r));
    }
    d.channels = kChannels;
    d.channel_rows.assign(kChannels, {});
    for (auto &list : d.channel_rows)
        for (std::size_t i = 0; i < d.rows.size(); ++i) list.push_back(static_cast<int>(i));

    std::uint16_t type = 0, control = 0;
    if (d.comm.read16(d.handle, kModuleType, &type) != 0 || (type & 0xFF) != kRd40xxType) return -1;
    if (d.comm.read16(d.handle, kControl, &control) != 0) return -1;
    std::uint32_t firmware = 0;
    if (d.comm.read32(d.handle, kFirmware, &firmware) != 0) return -1;
    if (!query_pass(d, control)) return -1;

    // Each channel's current-monitor range as the unit has it now.
    for (int n = 0; n < kChannels; ++n) {
        std::uint16_t c = control;
        if (n > 0 && d.comm.read16(d.handle, kControl + n * kChannelStride, &c) != 0) return -1;
        d.range_low[static_cast<std::size_t>(n)] = static_cast<std::uint8_t>(c >> 2 & 1);
    }

    d.model = "RD40XX";
    char text[32];
    std::snprintf(text, sizeof text, "%02u.%02u build %x", firmware & 0xFF, firmware >> 8 & 0xFF,
                  firmware >> 16);
    d.description = text;
    d.fw_major = static_cast<std::uint8_t>(firmware & 0xFF);
    d.fw_minor = static_cast<std::uint8_t>(firmware >> 8 & 0xFF);
    d.serial = 0;
    return 0;
}

OpenCount open_count;

}  // namespace

const RegFamily family = {
    .name = "RD40XX",
    .open = open_unit,
    .address = address,
    .required_entries = {CommLibrary::kRead16, CommLibrary::kRead32, CommLibrary::kWrite16},
    .failed_write = ZEVAHV_ERR_WRITE,
    .echo_written_value = false,
    .count = &open_count,
};

}  // namespace zevahv::regaccess::rd40xx
