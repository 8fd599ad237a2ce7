// Reading and writing parameter values through the communication library.
// Every listed channel (or board slot) is checked before the first register
// is touched, so a bad entry in a list changes nothing.
#include <cstring>
#include <mutex>

#include "regaccess/operations.h"

namespace zevahv::regaccess {

namespace {

constexpr int kBoard = -1;

void put_element(void *values, std::size_t k, std::uint32_t bits) {
    std::memcpy(static_cast<unsigned char *>(values) + 4 * k, &bits, 4);
}

// 0 when every channel exists and the row applies to it.
int check_channels(const Device &d, int row, unsigned short nch, const unsigned short *chs) {
    for (unsigned k = 0; k < nch; ++k) {
        if (chs[k] >= d.channels) return ZEVAHV_ERR_OUTOFRANGE;
        if (!d.on_channel(row, chs[k])) return ZEVAHV_ERR_PARAMNOTFOUND;
    }
    return 0;
}

int check_board_slots(unsigned short nslots, const unsigned short *slots) {
    for (unsigned k = 0; k < nslots; ++k)
        if (slots[k] != 0) return ZEVAHV_ERR_OUTOFRANGE;
    return 0;
}

// One value as the client sees it; the range rule of the current monitors
// answers 0 without a read when the channel is in the other range.
int read_value(Device &d, const Row &row, int channel, std::uint32_t *out) {
    if (channel >= 0 && (row.special == Special::RangeLow || row.special == Special::RangeHigh)) {
        const bool low = d.range_low[static_cast<std::size_t>(channel)].load() != 0;
        if (low != (row.special == Special::RangeLow)) {
            *out = 0;  // 0.0f
            return 0;
        }
    }
    std::uint32_t raw = 0;
    if (d.read_raw(row, channel, &raw) != 0) return ZEVAHV_ERR_READ;
    *out = client_value(row, raw);
    if (row.special == Special::RangeSwitch && channel >= 0)
        d.range_low[static_cast<std::size_t>(channel)] = static_cast<std::uint8_t>(*out & 1);
    return 0;
}

// The raw content a client's 4-byte value stands for, checked against the
// register.  For a single bit the caller merges it into the register.
int raw_of_value(const Device &d, const Row &row, void *value, std::uint32_t *raw) {
    if (row.type == ZEVAHV_PARAM_TYPE_NUMERIC && row.bit < 0) {
        float f;
        std::memcpy(&f, value, sizeof f);
        float shown = 0;
        if (!raw_from_number(row, f, raw, &shown)) return ZEVAHV_ERR_OUTOFRANGE;
        if (d.family->echo_written_value) std::memcpy(value, &shown, sizeof shown);
        return 0;
    }
    std::uint32_t u;
    std::memcpy(&u, value, sizeof u);
    if (row.bit >= 0) u &= 1u;
    else if (!row.wide && u > 0xFFFF) return ZEVAHV_ERR_OUTOFRANGE;
    *raw = u;
    return 0;
}

int write_value(Device &d, const Row &row, int channel, std::uint32_t raw) {
    std::uint32_t word = raw;
    std::unique_lock<std::mutex> bits(d.shared_bits, std::defer_lock);
    if (row.bit >= 0) {
        bits.lock();
        if (d.read_raw(row, channel, &word) != 0) return d.family->failed_write;
        word = (word & ~(1u << row.bit)) | (raw << row.bit);
    }
    if (d.write_raw(row, channel, word) != 0) return d.family->failed_write;
    if (row.special == Special::RangeSwitch && channel >= 0)
        d.range_low[static_cast<std::size_t>(channel)] = static_cast<std::uint8_t>(raw & 1);
    return 0;
}

// The row of a parameter for a read or a write: 0 and its index, or 22 for
// a name no row has, 3 for a row that cannot be read, 2 for one that cannot
// be written.
int row_for(const Device &d, const char *param, bool write, int *index) {
    const int i = d.find_row(param);
    if (i < 0) return ZEVAHV_ERR_PARAMNOTFOUND;
    const Row &row = d.rows[static_cast<std::size_t>(i)];
    if (write ? !row_writable(row) : !row_readable(row))
        return write ? ZEVAHV_ERR_WRITE : ZEVAHV_ERR_READ;
    *index = i;
    return 0;
}

}  // namespace

int get_ch_param(Device &d, unsigned short slot, const char *param, unsigned short nch,
                 const unsigned short *chs, void *values) {
    if (!param || (nch > 0 && (!chs || !values))) return ZEVAHV_ERR_INVALIDPARAMETER;
    if (slot != 0) return ZEVAHV_ERR_OUTOFRANGE;
    int i = -1;
    if (int r = row_for(d, param, false, &i)) return r;
    const Row &row = d.rows[static_cast<std::size_t>(i)];
    if (int r = check_channels(d, i, nch, chs)) return r;
    for (unsigned k = 0; k < nch; ++k) {
        std::uint32_t v = 0;
        if (int r = read_value(d, row, chs[k], &v)) return r;
        put_element(values, k, v);
    }
    return 0;
}

int set_ch_param(Device &d, unsigned short slot, const char *param, unsigned short nch,
                 const unsigned short *chs, void *value) {
    if (!param || (nch > 0 && (!chs || !value))) return ZEVAHV_ERR_INVALIDPARAMETER;
    if (slot != 0) return ZEVAHV_ERR_OUTOFRANGE;
    int i = -1;
    if (int r = row_for(d, param, true, &i)) return r;
    const Row &row = d.rows[static_cast<std::size_t>(i)];
    if (int r = check_channels(d, i, nch, chs)) return r;
    if (nch == 0) return 0;
    std::uint32_t raw = 0;
    if (int r = raw_of_value(d, row, value, &raw)) return r;
    for (unsigned k = 0; k < nch; ++k)
        if (int r = write_value(d, row, chs[k], raw)) return r;
    return 0;
}

int get_bd_param(Device &d, unsigned short nslots, const unsigned short *slots,
                 const char *param, void *values) {
    if (!param || (nslots > 0 && (!slots || !values))) return ZEVAHV_ERR_INVALIDPARAMETER;
    int i = -1;
    if (int r = row_for(d, param, false, &i)) return r;
    const Row &row = d.rows[static_cast<std::size_t>(i)];
    if (!d.on_board(i)) return ZEVAHV_ERR_PARAMNOTFOUND;
    if (int r = check_board_slots(nslots, slots)) return r;
    for (unsigned k = 0; k < nslots; ++k) {
        std::uint32_t v = 0;
        if (int r = read_value(d, row, kBoard, &v)) return r;
        put_element(values, k, v);
    }
    return 0;
}

int set_bd_param(Device &d, unsigned short nslots, const unsigned short *slots,
                 const char *param, void *value) {
    if (!param || (nslots > 0 && (!slots || !value))) return ZEVAHV_ERR_INVALIDPARAMETER;
    int i = -1;
    if (int r = row_for(d, param, true, &i)) return r;
    const Row &row = d.rows[static_cast<std::size_t>(i)];
    if (!d.on_board(i)) return ZEVAHV_ERR_PARAMNOTFOUND;
    if (int r = check_board_slots(nslots, slots)) return r;
    if (nslots == 0) return 0;
    std::uint32_t raw = 0;
    if (int r = raw_of_value(d, row, value, &raw)) return r;
    // The board has one register per parameter: one write serves every
    // listed slot (they are all slot 0).
    return write_value(d, row, kBoard, raw);
}

int exec_comm(Device &d, const char *name) {
    if (!name) return ZEVAHV_ERR_INVALIDPARAMETER;
    const int i = d.find_row(name);
    if (i < 0 || !d.rows[static_cast<std::size_t>(i)].command) return ZEVAHV_ERR_PARAMNOTFOUND;
    const Row &row = d.rows[static_cast<std::size_t>(i)];
    if (d.comm.write16(d.handle, d.address(row, kBoard), 1) != 0) return ZEVAHV_ERR_READ;
    return 0;
}

}  // namespace zevahv::regaccess
