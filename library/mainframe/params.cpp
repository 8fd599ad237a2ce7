// Board and channel parameters: names and properties from the system
// description, values from the mainframe.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "mainframe/convert.h"
#include "mainframe/operations.h"

namespace zevahv::mainframe {

namespace {

constexpr char kTextSlot[] = "Slot NOT Present";
constexpr char kTextRange[] = "Value out of range";
constexpr char kTextParam[] = "Param Not Found";
constexpr char kTextProp[] = "Param Property Not Found";
constexpr char kTextChanged[] = "System configuration is change";

// The parameter name list: 10-byte fields and one empty field at the end.
char *name_list(const SystemDescription &d, const std::vector<std::uint16_t> &indices) {
    char *list = static_cast<char *>(std::calloc(indices.size() + 1, ZEVAHV_MAX_PARAM_NAME));
    if (!list) return nullptr;
    for (std::size_t i = 0; i < indices.size(); ++i)
        std::memcpy(list + i * ZEVAHV_MAX_PARAM_NAME, d.descriptors[indices[i]].name,
                    ZEVAHV_MAX_PARAM_NAME);
    return list;
}

int answer_property(Connection &c, const ParamDescriptor &d, std::string_view prop,
                    void *value) {
    auto put_u = [value](unsigned v) { std::memcpy(value, &v, sizeof v); };
    auto put_16 = [value](auto v) {
        const auto s = static_cast<std::uint16_t>(v);
        std::memcpy(value, &s, sizeof s);
    };
    auto put_f = [value](float f) { std::memcpy(value, &f, sizeof f); };
    if (prop == "Type") put_u(d.type);
    else if (prop == "Mode") put_u(d.read_write ? ZEVAHV_PARAM_MODE_RDWR : ZEVAHV_PARAM_MODE_RDONLY);
    else if (prop == "Sign") put_u(d.is_signed ? 1 : 0);
    else if (prop == "Minval") put_f(raw_to_value(d, static_cast<std::uint32_t>(d.min)));
    else if (prop == "Maxval") put_f(raw_to_value(d, static_cast<std::uint32_t>(d.max)));
    else if (prop == "Unit") put_16(d.unit);
    else if (prop == "Exp") put_16(d.exponent);
    else if (prop == "Onstate") std::memcpy(value, d.on_text, std::strlen(d.on_text) + 1);
    else if (prop == "Offstate") std::memcpy(value, d.off_text, std::strlen(d.off_text) + 1);
    else if (prop == "Decimal") put_16(d.decimals);
    else return c.fail(ZEVAHV_ERR_PARAMPROPNOTFOUND, kTextProp);
    c.lookup_ok();
    return ZEVAHV_OK;
}

// The descriptor of a board or channel parameter for the info and property
// calls (7 absent slot, 10 channel beyond the board, 22 unknown name).
// ch < 0: a board parameter.
int locate(Connection &c, const SystemDescription *d, unsigned slot, int ch,
           std::string_view param, const ParamDescriptor **out) {
    const BoardDescription *b = d ? d->board(slot) : nullptr;
    if (b == nullptr) return c.fail(ZEVAHV_ERR_SLOTNOTPRES, kTextSlot);
    if (ch >= 0 && static_cast<std::size_t>(ch) >= b->channels.size())
        return c.fail(ZEVAHV_ERR_OUTOFRANGE, kTextRange);
    *out = d->find(ch < 0 ? b->params : b->channels[ch].params, param);
    if (*out == nullptr) return c.fail(ZEVAHV_ERR_PARAMNOTFOUND, kTextParam);
    c.lookup_ok();
    return ZEVAHV_OK;
}

// Sends a value request and converts its reply, one 4-byte raw value per
// element asked for, each with its element's descriptor.  Nothing is
// written unless every value is there.
int read_values(Connection &c, const Command &cmd, Request &req,
                const std::vector<const ParamDescriptor *> &desc, void *values) {
    Reply reply;
    if (int r = c.transact(cmd, req, &reply); r != ZEVAHV_OK) return r;
    Cursor in(reply.data());
    std::vector<std::uint32_t> raw(desc.size());
    for (auto &v : raw) v = in.u32();
    if (!in.ok()) return c.fail(kReplyMismatch, kTextMismatch);
    auto *out = static_cast<unsigned char *>(values);
    for (std::size_t i = 0; i < desc.size(); ++i) store_read_value(*desc[i], raw[i], out + 4 * i);
    return ZEVAHV_OK;
}

}  // namespace

int get_bd_param_info(Connection &c, unsigned short slot, char **names) {
    const DescriptionRef d = c.description();
    const BoardDescription *b = d ? d->board(slot) : nullptr;
    if (b == nullptr) return c.fail(ZEVAHV_ERR_SLOTNOTPRES, kTextSlot);
    char *list = name_list(*d, b->params);
    if (!list) return c.fail(ZEVAHV_ERR_NOMEMORY, kTextNoMemory);
    *names = list;
    c.lookup_ok();
    return ZEVAHV_OK;
}

int get_ch_param_info(Connection &c, unsigned short slot, unsigned short ch, char **names,
                      int *count) {
    const DescriptionRef d = c.description();
    const BoardDescription *b = d ? d->board(slot) : nullptr;
    if (b == nullptr) return c.fail(ZEVAHV_ERR_SLOTNOTPRES, kTextSlot);
    if (ch >= b->channels.size()) return c.fail(ZEVAHV_ERR_OUTOFRANGE, kTextRange);
    const auto &indices = b->channels[ch].params;
    char *list = name_list(*d, indices);
    if (!list) return c.fail(ZEVAHV_ERR_NOMEMORY, kTextNoMemory);
    *names = list;
    *count = static_cast<int>(indices.size());
    c.lookup_ok();
    return ZEVAHV_OK;
}

int get_bd_param_prop(Connection &c, unsigned short slot, const char *param, const char *prop,
                      void *value) {
    const DescriptionRef d = c.description();
    const ParamDescriptor *p = nullptr;
    if (int r = locate(c, d.get(), slot, -1, param, &p); r != ZEVAHV_OK) return r;
    return answer_property(c, *p, prop, value);
}

int get_ch_param_prop(Connection &c, unsigned short slot, unsigned short ch, const char *param,
                      const char *prop, void *value) {
    const DescriptionRef d = c.description();
    const ParamDescriptor *p = nullptr;
    if (int r = locate(c, d.get(), slot, ch, param, &p); r != ZEVAHV_OK) return r;
    return answer_property(c, *p, prop, value);
}

int get_ch_param(Connection &c, unsigned short slot, const char *param, unsigned short nch,
                 const unsigned short *chs, void *values) {
    if (nch == 0) return ZEVAHV_OK;
    const DescriptionRef d = c.description();
    const BoardDescription *b = d ? d->board(slot) : nullptr;
    // Every channel is checked before anything is asked: the values are
    // converted with descriptors that must exist.
    std::vector<const ParamDescriptor *> desc(nch);
    for (unsigned i = 0; i < nch; ++i) {
        if (b == nullptr || chs[i] >= b->channels.size() ||
            (desc[i] = d->find(b->channels[chs[i]].params, param)) == nullptr)
            return c.fail(ZEVAHV_ERR_SYSCONFCHANGE, kTextChanged);
    }
    const Command *cmd = c.command("GETCHPARAM");
    Request req = c.request(*cmd, true);
    req.u16(slot).sep().text(param).sep().u16(nch).sep();
    for (unsigned i = 0; i < nch; ++i) req.u16(chs[i]);
    return read_values(c, *cmd, req, desc, values);
}

int get_bd_param(Connection &c, unsigned short nslots, const unsigned short *slots,
                 const char *param, void *values) {
    if (nslots == 0) return ZEVAHV_OK;
    const DescriptionRef d = c.description();
    std::vector<const ParamDescriptor *> desc(nslots);
    for (unsigned i = 0; i < nslots; ++i) {
        const BoardDescription *b = d ? d->board(slots[i]) : nullptr;
        if (b == nullptr || (desc[i] = d->find(b->params, param)) == nullptr)
            return c.fail(ZEVAHV_ERR_SYSCONFCHANGE, kTextChanged);
    }
    const Command *cmd = c.command("GETBDPARAM");
    Request req = c.request(*cmd, true);
    req.text(param).sep().u16(nslots).sep();
    for (unsigned i = 0; i < nslots; ++i) req.u16(slots[i]);
    return read_values(c, *cmd, req, desc, values);
}

namespace {

// Writes one value to numbered targets (channels of a board or boards) in
// groups that share a descriptor: one request per group, in list order.
// descriptor_of(i) gives the descriptor of target i or null.
template <typename DescriptorOf, typename BuildRequest>
int write_grouped(Connection &c, unsigned short n, const unsigned short *targets, void *value,
                  DescriptorOf descriptor_of, BuildRequest build) {
    std::vector<const ParamDescriptor *> desc(n);
    for (unsigned i = 0; i < n; ++i)
        if ((desc[i] = descriptor_of(targets[i])) == nullptr)
            return c.fail(ZEVAHV_ERR_SYSCONFCHANGE, kTextChanged);
    std::vector<bool> sent(n, false);
    const std::uint32_t caller_bits = [&] {
        std::uint32_t v;
        std::memcpy(&v, value, sizeof v);
        return v;
    }();
    for (unsigned first = 0; first < n; ++first) {
        if (sent[first]) continue;
        std::vector<std::uint16_t> group;
        for (unsigned i = first; i < n; ++i) {
            if (!sent[i] && desc[i] == desc[first]) {
                group.push_back(targets[i]);
                sent[i] = true;
            }
        }
        // Each group converts the caller's own value; what it stands for
        // after rounding goes back to the caller.
        std::memcpy(value, &caller_bits, sizeof caller_bits);
        const std::uint32_t raw = raw_for_write(*desc[first], value);
        if (int r = build(raw, group); r != ZEVAHV_OK) return r;
    }
    return ZEVAHV_OK;
}

}  // namespace

int set_ch_param(Connection &c, unsigned short slot, const char *param, unsigned short nch,
                 const unsigned short *chs, void *value) {
    const DescriptionRef d = c.description();
    const BoardDescription *b = d ? d->board(slot) : nullptr;
    if (b == nullptr) return c.fail(ZEVAHV_ERR_SYSCONFCHANGE, kTextChanged);
    for (unsigned i = 0; i < nch; ++i)
        if (chs[i] >= b->channels.size()) return c.fail(ZEVAHV_ERR_OUTOFRANGE, kTextRange);
    const Command *cmd = c.command("SETCHPARAM");
    return write_grouped(
        c, nch, chs, value,
        [&](unsigned ch) { return d->find(b->channels[ch].params, param); },
        [&](std::uint32_t raw, const std::vector<std::uint16_t> &group) {
            Request req = c.request(*cmd, true);
            req.u16(slot).sep().text(param).sep().u32(raw).sep();
            req.u16(static_cast<std::uint16_t>(group.size())).sep();
            for (auto ch : group) req.u16(ch);
            return c.transact(*cmd, req, nullptr);
        });
}

int set_bd_param(Connection &c, unsigned short nslots, const unsigned short *slots,
                 const char *param, void *value) {
    const DescriptionRef d = c.description();
    const Command *cmd = c.command("SETBDPARAM");
    return write_grouped(
        c, nslots, slots, value,
        [&](unsigned slot) -> const ParamDescriptor * {
            const BoardDescription *b = d ? d->board(slot) : nullptr;
            return b ? d->find(b->params, param) : nullptr;
        },
        [&](std::uint32_t raw, const std::vector<std::uint16_t> &group) {
            Request req = c.request(*cmd, true);
            req.text(param).sep().u32(raw).sep();
            req.u16(static_cast<std::uint16_t>(group.size())).sep();
            for (auto s : group) req.u16(s);
            return c.transact(*cmd, req, nullptr);
        });
}

}  // namespace zevahv::mainframe
