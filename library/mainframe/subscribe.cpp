// Subscriptions: the items go to the mainframe, which answers an identifier
// for each; the accepted ones are kept so that events can be named.
#include <cstring>
#include <new>
#include <vector>

#include "mainframe/generation.h"
#include "mainframe/item_names.h"
#include "mainframe/operations.h"

namespace zevahv::mainframe {

namespace {

constexpr char kTextParam[] = "Param Not Found";

std::vector<std::string_view> split(std::string_view list) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (;;) {
        const auto colon = list.find(':', start);
        parts.push_back(list.substr(start, colon - start));
        if (colon == std::string_view::npos) break;
        start = colon + 1;
    }
    return parts;
}

// One item as the subscription commands carry it.
void encode_item(Request &req, const ItemName &n) {
    req.u16(static_cast<std::uint16_t>(n.level)).sep();
    if (n.level == ItemLevel::Channel || n.level == ItemLevel::Board) req.u16(n.board).sep();
    if (n.level == ItemLevel::Channel) req.u16(n.channel).sep();
    req.text(n.param).sep();
}

unsigned char refusal_byte(const Generation &g, std::int32_t id) {
    if (g.graded_refusals && id == -3) return 253;
    if (g.graded_refusals && id == -2) return 254;
    return 255;
}

bool is_refusal(const Generation &g, std::int32_t id) {
    return id == -1 || (g.graded_refusals && (id == -2 || id == -3));
}

int event_kind(const ItemName &n) {
    if (n.level != ItemLevel::Notice) return ZEVAHV_EVENT_PARAMETER;
    return n.param == "KeepAlive" ? ZEVAHV_EVENT_KEEPALIVE : ZEVAHV_EVENT_LIVEINSERTION;
}

// The descriptor of a channel or board item in the current description.
std::optional<ParamDescriptor> descriptor_of(const SystemDescription *d, const ItemName &n) {
    if (d == nullptr || (n.level != ItemLevel::Channel && n.level != ItemLevel::Board)) return {};
    const BoardDescription *b = d->board(n.board);
    if (b == nullptr) return {};
    const std::vector<std::uint16_t> *indices = &b->params;
    if (n.level == ItemLevel::Channel) {
        if (n.channel >= b->channels.size()) return {};
        indices = &b->channels[n.channel].params;
    }
    const ParamDescriptor *p = d->find(*indices, n.param);
    if (p == nullptr) return {};
    return *p;
}

// Splits and parses the caller's list; 22 when it does not hold `count`
// well-formed names.
int parse_list(Connection &c, unsigned short count, const char *items,
               std::vector<std::string_view> *names, std::vector<ItemName> *parsed) {
    if (count == 0) return c.fail(ZEVAHV_ERR_PARAMNOTFOUND, kTextParam);
    *names = split(items);
    if (names->size() != count) return c.fail(ZEVAHV_ERR_PARAMNOTFOUND, kTextParam);
    parsed->resize(count);
    for (unsigned i = 0; i < count; ++i)
        if (!parse_item_name((*names)[i], &(*parsed)[i]))
            return c.fail(ZEVAHV_ERR_PARAMNOTFOUND, kTextParam);
    return ZEVAHV_OK;
}

}  // namespace

int subscribe(Connection &c, unsigned short port, unsigned short count, const char *items,
              char *results) {
    const Generation &g = *c.generation;
    std::vector<std::string_view> names;
    std::vector<ItemName> parsed;
    if (int r = parse_list(c, count, items, &names, &parsed); r != ZEVAHV_OK) return r;

    const Command *cmd = c.command(g.subscribe_command);
    Request req = c.request(*cmd, true);
    req.u16(port).sep().u16(count).sep();
    for (const ItemName &n : parsed) encode_item(req, n);
    req.end_with_nul();
    Reply reply;
    if (int r = c.transact(*cmd, req, &reply); r != ZEVAHV_OK) return r;

    // After a 2-byte count and ':', one identifier per item.
    Cursor in(reply.data());
    in.take(3);
    std::vector<std::int32_t> ids(count);
    for (auto &id : ids) id = static_cast<std::int32_t>(in.u32());
    if (!in.ok()) return c.fail(kReplyMismatch, kTextMismatch);

    const DescriptionRef d = c.description();
    for (unsigned i = 0; i < count; ++i) {
        if (is_refusal(g, ids[i])) {
            results[i] = static_cast<char>(refusal_byte(g, ids[i]));
            continue;
        }
        SubscribedItem item;
        item.id = static_cast<std::uint32_t>(ids[i]);
        item.level = parsed[i].level;
        item.board = parsed[i].board;
        item.channel = parsed[i].channel;
        item.kind = event_kind(parsed[i]);
        const std::size_t len = std::min<std::size_t>(parsed[i].param.size(), sizeof item.name - 1);
        std::memcpy(item.name, parsed[i].param.data(), len);
        try {
            item.full_name.assign(names[i]);
            if (g.decode_with_subscribed_descriptor) item.descriptor = descriptor_of(d.get(), parsed[i]);
            c.items.add(std::move(item));
        } catch (const std::bad_alloc &) {
            return c.fail(ZEVAHV_ERR_NOMEMORY, kTextNoMemory);
        }
        results[i] = 0;
    }
    return ZEVAHV_OK;
}

int unsubscribe(Connection &c, unsigned short port, unsigned short count, const char *items,
                char *results) {
    const Generation &g = *c.generation;
    std::vector<std::string_view> names;
    std::vector<ItemName> parsed;
    if (int r = parse_list(c, count, items, &names, &parsed); r != ZEVAHV_OK) return r;

    const Command *cmd = c.command(g.unsubscribe_command);
    Request req = c.request(*cmd, true);
    req.u16(port).sep().u16(count).sep();
    for (const ItemName &n : parsed) {
        // The identifier the mainframe gave the item tells it which one to
        // stop; an item that was never accepted is sent as -2 (none).
        const std::optional<std::uint32_t> id = c.items.remove(n);
        req.u32(id ? *id : static_cast<std::uint32_t>(-2)).sep();
    }
    req.end_with_nul();
    Reply reply;
    if (int r = c.transact(*cmd, req, &reply); r != ZEVAHV_OK) return r;
    std::memset(results, 0, count);
    return ZEVAHV_OK;
}

}  // namespace zevahv::mainframe
