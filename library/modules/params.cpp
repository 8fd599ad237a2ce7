// Getting and setting board and channel parameters: find the row, check
// the slot, the channels and the access mode, then one exchange per value in
// the order of the caller's list.  The first failure ends the call; values
// already written stay written.
#include <cstring>
#include <vector>

#include "modules/protocol.h"
#include "modules/slots.h"

namespace zevahv::modules {

namespace {

// Text values go out in fields of this size, one per listed element.
constexpr std::size_t kTextField = 64;

void store(const Value &v, void *values, std::size_t i) {
    auto *base = static_cast<unsigned char *>(values);
    switch (v.type) {
    case kNumeric:
        std::memcpy(base + 4 * i, &v.f, 4);
        break;
    case kText: {
        char *dst = reinterpret_cast<char *>(base + kTextField * i);
        std::size_t n = std::min(v.text.size(), kTextField - 1);
        std::memcpy(dst, v.text.data(), n);
        dst[n] = '\0';
        break;
    }
    case kCommand:
        break;
    default:
        std::memcpy(base + 4 * i, &v.u, 4);
        break;
    }
}

bool all_board_zero(unsigned short n, const unsigned short *slots) {
    for (unsigned k = 0; k < n; ++k)
        if (slots[k] != 0) return false;
    return true;
}

// The row behind each value of a call, in the order of the caller's list.
using Targets = std::vector<const Row *>;

// The board row that a get or set names, with the access it needs: 22 name
// unknown, then 3 (read) or 2 (write) for the wrong access, then 10 for a
// slot other than the module's.
int board_target(const Module &m, const char *param, unsigned short nslots,
                 const unsigned short *slots, bool write, Targets *rows) {
    const int i = m.find_board_row(param);
    if (i < 0) return ZEVAHV_ERR_PARAMNOTFOUND;
    const Row &row = m.rows[i];
    if (write ? !row_writable(row) : !row_readable(row))
        return write ? ZEVAHV_ERR_WRITE : ZEVAHV_ERR_READ;
    if (!all_board_zero(nslots, slots)) return ZEVAHV_ERR_OUTOFRANGE;
    rows->assign(nslots, &row);
    return 0;
}

// The channel parameter's row on each listed channel (each channel has its
// own list of rows): 10 for another board, 22 when no channel has the name,
// 10 for a channel beyond the module, 22 for a channel without it, then 3
// for the wrong access, whichever way.
int channel_target(const Module &m, unsigned short slot, const char *param, unsigned short nch,
                   const unsigned short *chs, bool write, Targets *rows) {
    if (slot != 0) return ZEVAHV_ERR_OUTOFRANGE;
    bool known = false;
    for (int ch = 0; ch < m.channels && !known; ++ch) known = m.find_channel_row(param, ch) >= 0;
    if (!known) return ZEVAHV_ERR_PARAMNOTFOUND;
    rows->clear();
    for (unsigned k = 0; k < nch; ++k) {
        if (chs[k] >= m.channels) return ZEVAHV_ERR_OUTOFRANGE;
        const int i = m.find_channel_row(param, chs[k]);
        if (i < 0) return ZEVAHV_ERR_PARAMNOTFOUND;
        rows->push_back(&m.rows[i]);
    }
    for (const Row *row : *rows)
        if (!(write ? row_writable(*row) : row_readable(*row))) return ZEVAHV_ERR_READ;
    return 0;
}

// One exchange per value, in the order of the caller's list (chs null: the
// board, once per listed slot); the first failure ends the call.
int read_values(Module &m, const Targets &rows, const unsigned short *chs, void *values) {
    for (std::size_t k = 0; k < rows.size(); ++k) {
        Value v;
        if (read_value(m, *rows[k], chs ? chs[k] : -1, &v)) return ZEVAHV_ERR_READ;
        store(v, values, k);
    }
    return 0;
}

int write_values(Module &m, const Targets &rows, const unsigned short *chs, const void *value) {
    for (std::size_t k = 0; k < rows.size(); ++k)
        if (write_value(m, *rows[k], chs ? chs[k] : -1, value)) return ZEVAHV_ERR_WRITE;
    return 0;
}

}  // namespace

namespace engine {

int get_bd_param(void *ctx, unsigned short nslots, const unsigned short *slots,
                 const char *param, void *values) {
    Module &m = module_of(ctx);
    Targets rows;
    if (int rc = board_target(m, param, nslots, slots, false, &rows)) return rc;
    return read_values(m, rows, nullptr, values);
}

int set_bd_param(void *ctx, unsigned short nslots, const unsigned short *slots,
                 const char *param, void *value) {
    Module &m = module_of(ctx);
    Targets rows;
    if (int rc = board_target(m, param, nslots, slots, true, &rows)) return rc;
    return write_values(m, rows, nullptr, value);
}

int get_ch_param(void *ctx, unsigned short slot, const char *param, unsigned short nch,
                 const unsigned short *chs, void *values) {
    Module &m = module_of(ctx);
    Targets rows;
    if (int rc = channel_target(m, slot, param, nch, chs, false, &rows)) return rc;
    return read_values(m, rows, chs, values);
}

int set_ch_param(void *ctx, unsigned short slot, const char *param, unsigned short nch,
                 const unsigned short *chs, void *value) {
    Module &m = module_of(ctx);
    Targets rows;
    if (int rc = channel_target(m, slot, param, nch, chs, true, &rows)) return rc;
    return write_values(m, rows, chs, value);
}

int exec_comm(void *ctx, const char *name) {
    Module &m = module_of(ctx);
    const int i = m.find_board_row(name);
    if (i < 0 || row_mode(m.rows[i]) != kWrite) return ZEVAHV_ERR_PARAMNOTFOUND;
    // The module knows the command by its mnemonic (ClrAlarm is BDCLR); it is
    // the write of the row with the value that does something: a bare word
    // for the switch-like rows, the on text or 1 for rows written with their
    // value.
    const Row &row = m.rows[i];
    const std::uint32_t one = 1;
    const float one_f = 1.0f;
    const void *value = row_type(row) == kNumeric ? static_cast<const void *>(&one_f) : &one;
    return write_value(m, row, -1, value) ? ZEVAHV_ERR_WRITE : 0;
}

}  // namespace engine

}  // namespace zevahv::modules
