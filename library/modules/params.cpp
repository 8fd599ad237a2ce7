// Getting and setting board and channel parameters: find the row, check
// the slot, the channels and the access mode, then one exchange per value in
// the order of the caller's list.  The first failure ends the call; values
// already written stay written.
#include <cstring>

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

int board_row(const Module &m, const char *name) {
    int i = m.find_row(name);
    return i >= 0 && m.is_board_row(i) ? i : -1;
}

// A channel row by name that applies to every listed channel: 22 when the
// name is unknown, 10 for a channel beyond the module.
int channel_row(const Module &m, const char *name, unsigned short nch,
                const unsigned short *chs, int *row) {
    int i = m.find_row(name);
    if (i < 0 || m.is_board_row(i)) return ZEVAHV_ERR_PARAMNOTFOUND;
    for (unsigned k = 0; k < nch; ++k) {
        if (chs[k] >= m.channels) return ZEVAHV_ERR_OUTOFRANGE;
        if (!m.row_on_channel(i, chs[k])) return ZEVAHV_ERR_PARAMNOTFOUND;
    }
    *row = i;
    return 0;
}

bool all_board_zero(unsigned short n, const unsigned short *slots) {
    for (unsigned k = 0; k < n; ++k)
        if (slots[k] != 0) return false;
    return true;
}

// The board row that a get or set names, with the access it needs: 22 name
// unknown, then 3 (read) or 2 (write) for the wrong access, then 10 for a
// slot other than the module's.
int board_target(const Module &m, const char *param, unsigned short nslots,
                 const unsigned short *slots, bool write, const Row **row) {
    const int i = board_row(m, param);
    if (i < 0) return ZEVAHV_ERR_PARAMNOTFOUND;
    *row = &m.rows[i];
    if (write ? !row_writable(**row) : !row_readable(**row))
        return write ? ZEVAHV_ERR_WRITE : ZEVAHV_ERR_READ;
    return all_board_zero(nslots, slots) ? 0 : ZEVAHV_ERR_OUTOFRANGE;
}

// The channel row: 10 for another board, 22 or 10 from channel_row, then 3
// for the wrong access, whichever way.
int channel_target(const Module &m, unsigned short slot, const char *param, unsigned short nch,
                   const unsigned short *chs, bool write, const Row **row) {
    if (slot != 0) return ZEVAHV_ERR_OUTOFRANGE;
    int i = -1;
    if (int rc = channel_row(m, param, nch, chs, &i)) return rc;
    *row = &m.rows[i];
    return (write ? row_writable(**row) : row_readable(**row)) ? 0 : ZEVAHV_ERR_READ;
}

// One exchange per value, in the order of the caller's list (chs null: the
// board, n times); the first failure ends the call.
int read_values(Module &m, const Row &row, unsigned short n, const unsigned short *chs,
                void *values) {
    for (unsigned k = 0; k < n; ++k) {
        Value v;
        if (read_value(m, row, chs ? chs[k] : -1, &v)) return ZEVAHV_ERR_READ;
        store(v, values, k);
    }
    return 0;
}

int write_values(Module &m, const Row &row, unsigned short n, const unsigned short *chs,
                 const void *value) {
    for (unsigned k = 0; k < n; ++k)
        if (write_value(m, row, chs ? chs[k] : -1, value)) return ZEVAHV_ERR_WRITE;
    return 0;
}

}  // namespace

namespace engine {

int get_bd_param(void *ctx, unsigned short nslots, const unsigned short *slots,
                 const char *param, void *values) {
    Module &m = module_of(ctx);
    const Row *row = nullptr;
    if (int rc = board_target(m, param, nslots, slots, false, &row)) return rc;
    return read_values(m, *row, nslots, nullptr, values);
}

int set_bd_param(void *ctx, unsigned short nslots, const unsigned short *slots,
                 const char *param, void *value) {
    Module &m = module_of(ctx);
    const Row *row = nullptr;
    if (int rc = board_target(m, param, nslots, slots, true, &row)) return rc;
    return write_values(m, *row, nslots, nullptr, value);
}

int get_ch_param(void *ctx, unsigned short slot, const char *param, unsigned short nch,
                 const unsigned short *chs, void *values) {
    Module &m = module_of(ctx);
    const Row *row = nullptr;
    if (int rc = channel_target(m, slot, param, nch, chs, false, &row)) return rc;
    return read_values(m, *row, nch, chs, values);
}

int set_ch_param(void *ctx, unsigned short slot, const char *param, unsigned short nch,
                 const unsigned short *chs, void *value) {
    Module &m = module_of(ctx);
    const Row *row = nullptr;
    if (int rc = channel_target(m, slot, param, nch, chs, true, &row)) return rc;
    return write_values(m, *row, nch, chs, value);
}

int exec_comm(void *ctx, const char *name) {
    Module &m = module_of(ctx);
    int i = board_row(m, name);
    if (i < 0 || row_mode(m.rows[i]) != kWrite) return ZEVAHV_ERR_PARAMNOTFOUND;
    // The module knows the command by its mnemonic (ClrAlarm is BDCLR).
    return set(m, m.rows[i].mnemonic, -1, nullptr) ? ZEVAHV_ERR_WRITE : 0;
}

}  // namespace engine

}  // namespace zevahv::modules
