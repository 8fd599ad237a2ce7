// What a register-access device tells about itself: the crate map (one
// slot), the parameter lists, the properties of a parameter, channel names
// and the command list.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "regaccess/operations.h"

namespace zevahv::regaccess {

namespace {

constexpr std::size_t kField = ZEVAHV_MAX_PARAM_NAME;

// 10-byte fields, each a NUL-terminated name, then an empty field.
char *name_list(const Device &d, const std::vector<int> &rows) {
    char *list = static_cast<char *>(std::calloc(rows.size() + 1, kField));
    if (!list) return nullptr;
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const std::string &name = d.rows[static_cast<std::size_t>(rows[k])].name;
        std::memcpy(list + k * kField, name.data(), std::min(name.size(), kField - 1));
    }
    return list;
}

template <typename T>
void put(void *dst, T v) {
    std::memcpy(dst, &v, sizeof v);
}

int row_property(const Row &row, std::string_view p, void *value) {
    if (p == "Type") put<unsigned>(value, row.type);
    else if (p == "Mode") put<unsigned>(value, row.mode);
    else if (p == "Minval") put<float>(value, row.min);
    else if (p == "Maxval") put<float>(value, row.max);
    else if (p == "Unit") put<unsigned short>(value, row.unit);
    else if (p == "Exp") put<short>(value, row.exp);
    else if (p == "Decimal") put<unsigned short>(value, row.decimals);
    else if (p == "Onstate") std::memcpy(value, row.on_text.c_str(), row.on_text.size() + 1);
    else if (p == "Offstate") std::memcpy(value, row.off_text.c_str(), row.off_text.size() + 1);
    else return ZEVAHV_ERR_PARAMPROPNOTFOUND;
    return 0;
}

template <typename T>
T *one(T v) {
    T *p = static_cast<T *>(std::malloc(sizeof(T)));
    if (p) *p = v;
    return p;
}

char *text_copy(const std::string &s) {
    char *p = static_cast<char *>(std::malloc(s.size() + 1));
    if (p) std::memcpy(p, s.c_str(), s.size() + 1);
    return p;
}

}  // namespace

int get_crate_map(Device &d, unsigned short *nr_of_slot, unsigned short **nr_of_ch,
                  char **models, char **descriptions, unsigned short **serials,
                  unsigned char **fmw_min, unsigned char **fmw_max) {
    if (!nr_of_slot || !nr_of_ch || !models || !descriptions || !serials || !fmw_min || !fmw_max)
        return ZEVAHV_ERR_INVALIDPARAMETER;
    auto *ch = one<unsigned short>(static_cast<unsigned short>(d.channels));
    char *model = text_copy(d.model);
    char *desc = text_copy(d.description);
    auto *ser = one<unsigned short>(d.serial);
    auto *lo = one<unsigned char>(d.fw_minor);
    auto *hi = one<unsigned char>(d.fw_major);
    if (!ch || !model || !desc || !ser || !lo || !hi) {
        std::free(ch), std::free(model), std::free(desc);
        std::free(ser), std::free(lo), std::free(hi);
        return ZEVAHV_ERR_NOMEMORY;
    }
    *nr_of_slot = 1;
    *nr_of_ch = ch, *models = model, *descriptions = desc;
    *serials = ser, *fmw_min = lo, *fmw_max = hi;
    return 0;
}

int get_bd_param_info(Device &d, unsigned short slot, char **names) {
    if (!names) return ZEVAHV_ERR_INVALIDPARAMETER;
    if (slot != 0) return ZEVAHV_ERR_OUTOFRANGE;
    char *list = name_list(d, d.board_rows);
    if (!list) return ZEVAHV_ERR_NOMEMORY;
    *names = list;
    return 0;
}

int get_ch_param_info(Device &d, unsigned short slot, unsigned short ch, char **names,
                      int *count) {
    if (!names || !count) return ZEVAHV_ERR_INVALIDPARAMETER;
    if (slot != 0 || ch >= d.channels) return ZEVAHV_ERR_OUTOFRANGE;
    const auto &rows = d.channel_rows[ch];
    char *list = name_list(d, rows);
    if (!list) return ZEVAHV_ERR_NOMEMORY;
    *names = list;
    *count = static_cast<int>(rows.size());
    return 0;
}

int get_bd_param_prop(Device &d, unsigned short slot, const char *param, const char *prop,
                      void *value) {
    if (!param || !prop || !value) return ZEVAHV_ERR_INVALIDPARAMETER;
    if (slot != 0) return ZEVAHV_ERR_OUTOFRANGE;
    const int i = d.find_row(param);
    if (i < 0 || !d.on_board(i)) return ZEVAHV_ERR_PARAMNOTFOUND;
    return row_property(d.rows[static_cast<std::size_t>(i)], prop, value);
}

int get_ch_param_prop(Device &d, unsigned short slot, unsigned short ch, const char *param,
                      const char *prop, void *value) {
    if (!param || !prop || !value) return ZEVAHV_ERR_INVALIDPARAMETER;
    if (slot != 0 || ch >= d.channels) return ZEVAHV_ERR_OUTOFRANGE;
    const int i = d.find_row(param);
    if (i < 0 || !d.on_channel(i, ch)) return ZEVAHV_ERR_PARAMNOTFOUND;
    return row_property(d.rows[static_cast<std::size_t>(i)], prop, value);
}

int get_ch_name(Device &d, unsigned short slot, unsigned short nch, const unsigned short *chs,
                char (*names)[ZEVAHV_MAX_CH_NAME]) {
    if (nch > 0 && (!chs || !names)) return ZEVAHV_ERR_INVALIDPARAMETER;
    if (slot != 0) return ZEVAHV_ERR_OUTOFRANGE;
    for (unsigned k = 0; k < nch; ++k)
        if (chs[k] >= d.channels) return ZEVAHV_ERR_OUTOFRANGE;
    for (unsigned k = 0; k < nch; ++k) std::snprintf(names[k], ZEVAHV_MAX_CH_NAME, "CH0%d", chs[k]);
    return 0;
}

int get_exec_comm_list(Device &d, unsigned short *count, char **names) {
    if (!count || !names) return ZEVAHV_ERR_INVALIDPARAMETER;
    std::string all;
    for (int r : d.command_rows) {
        all += d.rows[static_cast<std::size_t>(r)].name;
        all += '\0';
    }
    char *list = static_cast<char *>(std::malloc(all.size() + 1));
    if (!list) return ZEVAHV_ERR_NOMEMORY;
    std::memcpy(list, all.data(), all.size());
    list[all.size()] = '\0';
    *count = static_cast<unsigned short>(d.command_rows.size());
    *names = list;
    return 0;
}

}  // namespace zevahv::regaccess
