// What a module tells about itself: the crate map, the parameter lists, the
// parameter properties, channel names and the list of commands.  Lists are
// allocated on the C heap; the caller releases them with ZEVAHV_Free.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "modules/slots.h"

namespace zevahv::modules {

namespace {

constexpr std::size_t kField = ZEVAHV_MAX_PARAM_NAME;

// Name list: 10-byte fields, each a NUL-terminated name, then an empty one.
char *name_list(const Module &m, const std::vector<int> &rows) {
    char *list = static_cast<char *>(std::calloc(rows.size() + 1, kField));
    if (!list) return nullptr;
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const char *name = m.rows[rows[k]].name;
        std::size_t n = strnlen(name, kField - 1);
        std::memcpy(list + k * kField, name, n);
    }
    return list;
}

void copy_text(void *dst, const char *text, std::size_t max) {
    std::size_t n = strnlen(text, max - 1);
    std::memcpy(dst, text, n);
    static_cast<char *>(dst)[n] = '\0';
}

int row_property(const Row &row, std::string_view p, void *value) {
    if (p == "Type") {
        unsigned v = row_type(row);
        std::memcpy(value, &v, sizeof v);
    } else if (p == "Mode") {
        unsigned v = row_mode(row);
        std::memcpy(value, &v, sizeof v);
    } else if (p == "Minval") {
        std::memcpy(value, &row.min, sizeof row.min);
    } else if (p == "Maxval") {
        std::memcpy(value, &row.max, sizeof row.max);
    } else if (p == "Unit") {
        auto v = static_cast<unsigned short>(static_cast<short>(row.unit));
        std::memcpy(value, &v, sizeof v);
    } else if (p == "Exp") {
        short v = row.exp;
        std::memcpy(value, &v, sizeof v);
    } else if (p == "Decimal") {
        unsigned short v = row.decimals;
        std::memcpy(value, &v, sizeof v);
    } else if (p == "Onstate") {
        copy_text(value, row.on, kRowTextSize);
    } else if (p == "Offstate") {
        copy_text(value, row.off, kRowTextSize);
    } else if (p == "Enum") {
        if (row_type(row) != kEnum) return ZEVAHV_ERR_PARAMPROPNOTFOUND;
        char out[kEnumCount][kEnumTextSize] = {};
        for (std::size_t k = 0; k < kEnumCount; ++k)
            copy_text(out[k], row.enums[k], kEnumTextSize);
        std::memcpy(value, out, sizeof out);
    } else {
        return ZEVAHV_ERR_PARAMPROPNOTFOUND;
    }
    return 0;
}

// A property of a row: the family's hook first, where it has one.
int property(Module &m, int row, int channel, const char *prop, void *value) {
    if (m.desc->hooks.property) {
        const int r = m.desc->hooks.property(m, row, channel, prop, value);
        if (r != kStandardProperty) return r;
    }
    return row_property(m.rows[row], prop, value);
}

}  // namespace

namespace engine {

int get_crate_map(void *ctx, unsigned short *nr_of_slot,
                  unsigned short **nr_of_ch, char **models, char **descriptions,
                  unsigned short **serials, unsigned char **fmw_min,
                  unsigned char **fmw_max) {
    Module &m = module_of(ctx);
    if (!nr_of_slot || !nr_of_ch || !models || !descriptions || !serials || !fmw_min ||
        !fmw_max)
        return ZEVAHV_ERR_INVALIDPARAMETER;
    auto *ch = static_cast<unsigned short *>(std::malloc(sizeof(unsigned short)));
    auto *model = static_cast<char *>(std::malloc(m.model.size() + 1));
    auto *desc = static_cast<char *>(std::malloc(1));
    auto *ser = static_cast<unsigned short *>(std::malloc(sizeof(unsigned short)));
    auto *lo = static_cast<unsigned char *>(std::malloc(1));
    auto *hi = static_cast<unsigned char *>(std::malloc(1));
    if (!ch || !model || !desc || !ser || !lo || !hi) {
        std::free(ch), std::free(model), std::free(desc);
        std::free(ser), std::free(lo), std::free(hi);
        return ZEVAHV_ERR_NOMEMORY;
    }
    *ch = static_cast<unsigned short>(m.channels);
    std::memcpy(model, m.model.c_str(), m.model.size() + 1);
    desc[0] = '\0';
    *ser = m.serial_number;
    *lo = m.fw_minor;
    *hi = m.fw_major;
    *nr_of_slot = 1;
    *nr_of_ch = ch, *models = model, *descriptions = desc;
    *serials = ser, *fmw_min = lo, *fmw_max = hi;
    return 0;
}

int get_bd_param_info(void *ctx, unsigned short slot, char **names) {
    Module &m = module_of(ctx);
    if (slot != 0) return ZEVAHV_ERR_OUTOFRANGE;
    std::vector<int> rows;
    for (int i = 0; i < m.board_row_count; ++i) rows.push_back(i);
    char *list = name_list(m, rows);
    if (!list) return ZEVAHV_ERR_NOMEMORY;
    *names = list;
    return 0;
}

int get_ch_param_info(void *ctx, unsigned short slot, unsigned short ch,
                      char **names, int *count) {
    Module &m = module_of(ctx);
    if (slot != 0 || ch >= m.channels) return ZEVAHV_ERR_OUTOFRANGE;
    std::vector<int> rows(m.channel_rows[ch].begin(), m.channel_rows[ch].end());
    char *list = name_list(m, rows);
    if (!list) return ZEVAHV_ERR_NOMEMORY;
    *names = list;
    *count = static_cast<int>(rows.size());
    return 0;
}

int get_bd_param_prop(void *ctx, unsigned short slot, const char *param,
                      const char *prop, void *value) {
    Module &m = module_of(ctx);
    if (slot != 0) return ZEVAHV_ERR_OUTOFRANGE;
    const int i = m.find_board_row(param);
    if (i < 0) return ZEVAHV_ERR_PARAMNOTFOUND;
    return property(m, i, -1, prop, value);
}

int get_ch_param_prop(void *ctx, unsigned short slot, unsigned short ch,
                      const char *param, const char *prop, void *value) {
    Module &m = module_of(ctx);
    if (slot != 0 || ch >= m.channels) return ZEVAHV_ERR_OUTOFRANGE;
    const int i = m.find_channel_row(param, ch);
    if (i < 0) return ZEVAHV_ERR_PARAMNOTFOUND;
    return property(m, i, ch, prop, value);
}

int get_ch_name(void *ctx, unsigned short slot, unsigned short nch,
                const unsigned short *chs, char (*names)[ZEVAHV_MAX_CH_NAME]) {
    Module &m = module_of(ctx);
    if (slot != 0) return ZEVAHV_ERR_OUTOFRANGE;
    for (unsigned k = 0; k < nch; ++k)
        if (chs[k] >= m.channels) return ZEVAHV_ERR_OUTOFRANGE;
    for (unsigned k = 0; k < nch; ++k)
        std::snprintf(names[k], ZEVAHV_MAX_CH_NAME, m.desc->channel_name_format, chs[k]);
    return 0;
}

int test_bd_presence(void *ctx, unsigned short slot, unsigned short *nr_of_ch, char **model,
                     char **description, unsigned short *serial, unsigned char *fmw_min,
                     unsigned char *fmw_max) {
    Module &m = module_of(ctx);
    if (slot != 0) return ZEVAHV_ERR_OUTOFRANGE;
    // The frame gave both texts kBoardTextSize bytes, zeroed.
    m.model.copy(*model, kBoardTextSize - 1);
    (*description)[0] = '\0';
    *nr_of_ch = static_cast<unsigned short>(m.channels);
    *serial = m.serial_number;
    *fmw_min = m.fw_minor;
    *fmw_max = m.fw_major;
    // The module must still answer.
    std::string release;
    return monitor(m, m.desc->ident.release, -1, &release) ? ZEVAHV_ERR_READ : 0;
}

int get_exec_comm_list(void *ctx, unsigned short *count, char **names) {
    Module &m = module_of(ctx);
    std::string all;
    unsigned short n = 0;
    for (int i = 0; i < m.board_row_count; ++i) {
        if (row_mode(m.rows[i]) != kWrite) continue;
        all += m.rows[i].name;
        all += '\0';
        ++n;
    }
    char *list = static_cast<char *>(std::malloc(all.size() + 1));
    if (!list) return ZEVAHV_ERR_NOMEMORY;
    std::memcpy(list, all.data(), all.size());
    list[all.size()] = '\0';
    *count = n;
    *names = list;
    return 0;
}

}  // namespace engine

}  // namespace zevahv::modules
