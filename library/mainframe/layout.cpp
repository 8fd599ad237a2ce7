// The crate map, one slot's board, and channel names.
#include <cstdlib>
#include <cstring>
#include <new>

#include "mainframe/crate_map.h"
#include "mainframe/operations.h"
#include "mainframe/session.h"

namespace zevahv::mainframe {

namespace {

constexpr std::size_t kMaxChannelNameSent = 255;
constexpr char kTextRange[] = "Value out of range";

// Asks for the composition: the channel count of every slot of the first crate.
int read_composition(Connection &c, std::vector<std::uint16_t> *channels) {
    Reply reply;
    if (int r = c.simple("GETSYSCOMP", &reply); r != ZEVAHV_OK) return r;
    if (!parse_composition(reply.data(), channels)) return c.fail(kReplyMismatch, kTextMismatch);
    return ZEVAHV_OK;
}

// malloc'd copy of n elements (never null for n = 0: one spare element).
template <typename T>
T *c_array(std::size_t n) {
    return static_cast<T *>(std::calloc(n == 0 ? 1 : n, sizeof(T)));
}

// The texts one after the other, each with its NUL.
char *packed_texts(const std::vector<SlotInfo> &slots, bool models) {
    std::size_t size = 0;
    for (const SlotInfo &s : slots) size += (models ? s.model : s.description).size() + 1;
    char *out = c_array<char>(size);
    if (!out) return nullptr;
    char *p = out;
    for (const SlotInfo &s : slots) {
        const std::string &t = models ? s.model : s.description;
        std::memcpy(p, t.c_str(), t.size() + 1);
        p += t.size() + 1;
    }
    return out;
}

void copy_text(char *dst, const std::string &src, std::size_t size) {
    const std::size_t n = std::min(src.size(), size - 1);
    std::memcpy(dst, src.data(), n);
    dst[n] = '\0';
}

}  // namespace

int get_crate_map(Connection &c, unsigned short *nr_of_slot, unsigned short **nr_of_ch,
                  char **models, char **descriptions, unsigned short **serials,
                  unsigned char **fmw_min, unsigned char **fmw_max) {
    std::vector<SlotInfo> slots;
    {
        Reply reply;
        if (int r = c.simple("GETCRATEMAP", &reply); r != ZEVAHV_OK) return r;
        if (!parse_crate_map(reply.data(), &slots)) return c.fail(kReplyMismatch, kTextMismatch);
    }
    // The layout may have changed: the description is read again.
    if (int r = read_description(c); r != ZEVAHV_OK) return r;
    std::vector<std::uint16_t> channels;
    if (int r = read_composition(c, &channels); r != ZEVAHV_OK) return r;

    const std::size_t n = slots.size();
    auto *ch = c_array<unsigned short>(n);
    auto *ser = c_array<unsigned short>(n);
    auto *lo = c_array<unsigned char>(n);
    auto *hi = c_array<unsigned char>(n);
    char *mod = packed_texts(slots, true);
    char *desc = packed_texts(slots, false);
    if (!ch || !ser || !lo || !hi || !mod || !desc) {
        std::free(ch), std::free(ser), std::free(lo), std::free(hi);
        std::free(mod), std::free(desc);
        return c.fail(ZEVAHV_ERR_NOMEMORY, kTextNoMemory);
    }
    for (std::size_t i = 0; i < n; ++i) {
        // A composition shorter than the map leaves 0 channels, never a
        // read past its list.
        ch[i] = i < channels.size() ? channels[i] : 0;
        ser[i] = slots[i].serial;
        lo[i] = slots[i].fw_minor;
        hi[i] = slots[i].fw_major;
    }
    *nr_of_slot = static_cast<unsigned short>(n);
    *nr_of_ch = ch;
    *models = mod;
    *descriptions = desc;
    *serials = ser;
    *fmw_min = lo;
    *fmw_max = hi;
    c.lookup_ok();
    return ZEVAHV_OK;
}

int test_bd_presence(Connection &c, unsigned short slot, unsigned short *nr_of_ch,
                     char **model, char **description, unsigned short *serial,
                     unsigned char *fmw_min, unsigned char *fmw_max) {
    if (int r = read_description(c); r != ZEVAHV_OK) return r;
    SlotInfo info;
    {
        const Command *cmd = c.command("TSTBDPRES");
        Request req = c.request(*cmd, true);
        req.u16(slot);
        Reply reply;
        if (int r = c.transact(*cmd, req, &reply); r != ZEVAHV_OK) return r;
        if (!parse_board_presence(reply.data(), &info)) return c.fail(kReplyMismatch, kTextMismatch);
    }
    std::vector<std::uint16_t> channels;
    if (int r = read_composition(c, &channels); r != ZEVAHV_OK) return r;
    copy_text(*model, info.model, 255);
    copy_text(*description, info.description, 255);
    *nr_of_ch = slot < channels.size() ? channels[slot] : 0;
    *serial = info.serial;
    *fmw_min = info.fw_minor;
    *fmw_max = info.fw_major;
    return ZEVAHV_OK;
}

int get_ch_name(Connection &c, unsigned short slot, unsigned short nch,
                const unsigned short *chs, char (*names)[ZEVAHV_MAX_CH_NAME]) {
    const Command *cmd = c.command("GETCHNAME");
    Request req = c.request(*cmd, true);
    req.u16(slot).sep().u16(nch).sep();
    for (unsigned i = 0; i < nch; ++i) req.u16(chs[i]);
    Reply reply;
    if (int r = c.transact(*cmd, req, &reply); r != ZEVAHV_OK) return r;
    Cursor in(reply.data());
    std::vector<std::string_view> got(nch);
    for (auto &name : got) {
        if (in.left() == 0) return c.fail(kReplyMismatch, kTextMismatch);
        name = in.text_to_nul();
    }
    for (unsigned i = 0; i < nch; ++i) {
        // A name longer than the field is cut, never written past it.
        const std::size_t n = std::min<std::size_t>(got[i].size(), ZEVAHV_MAX_CH_NAME - 1);
        std::memcpy(names[i], got[i].data(), n);
        std::memset(names[i] + n, 0, ZEVAHV_MAX_CH_NAME - n);
    }
    return ZEVAHV_OK;
}

int set_ch_name(Connection &c, unsigned short slot, unsigned short nch,
                const unsigned short *chs, const char *name) {
    const std::size_t len = strnlen(name, kMaxChannelNameSent + 1);
    if (len > kMaxChannelNameSent) return c.fail(ZEVAHV_ERR_OUTOFRANGE, kTextRange);
    const Command *cmd = c.command("SETCHNAME");
    Request req = c.request(*cmd, true);
    req.u16(slot).sep().text(std::string_view(name, len)).sep().u16(nch).sep();
    for (unsigned i = 0; i < nch; ++i) req.u16(chs[i]);
    return c.transact(*cmd, req, nullptr);
}

}  // namespace zevahv::mainframe
