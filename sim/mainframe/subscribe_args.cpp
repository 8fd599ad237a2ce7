#include "mainframe/subscribe_args.h"

#include "mainframe/bytes.h"

namespace sim::mf {

namespace {

// The separator after an item: ':' between items, NUL (or the end) after
// the last.
bool item_end(ByteReader& r, std::string_view& name) {
    std::string_view rest = r.rest();
    size_t stop = rest.find_first_of(std::string_view(":\0", 2));
    name = rest.substr(0, stop);
    r.take(stop == std::string_view::npos ? rest.size() : stop + 1);
    return true;
}

std::optional<ItemRef> read_item(ByteReader& r) {
    ItemRef it;
    auto kind = r.u16();
    if (!kind || *kind > kItemNotice || !r.colon()) return std::nullopt;
    it.kind = *kind;
    if (it.kind == kItemChannel || it.kind == kItemBoard) {
        auto b = r.u16();
        if (!b || !r.colon()) return std::nullopt;
        it.board = *b;
    }
    if (it.kind == kItemChannel) {
        auto c = r.u16();
        if (!c || !r.colon()) return std::nullopt;
        it.channel = *c;
    }
    std::string_view name;
    item_end(r, name);
    if (name.empty()) return std::nullopt;
    it.name = std::string(name);
    return it;
}

std::optional<SubscribeArgs> read_head(ByteReader& r) {
    SubscribeArgs a;
    auto port = r.u16();
    if (!port || !r.colon()) return std::nullopt;
    auto count = r.u16();
    if (!count || !r.colon()) return std::nullopt;
    a.port = *port;
    a.count = *count;
    return a;
}

bool only_terminators(std::string_view rest) {
    for (char c : rest)
        if (c != '\0') return false;
    return true;
}

} // namespace

std::optional<SubscribeArgs> parse_subscribe_args(std::string_view args) {
    ByteReader r(args);
    auto a = read_head(r);
    if (!a) return std::nullopt;
    while (!r.at_end() && !only_terminators(r.rest())) {
        auto it = read_item(r);
        if (!it) return std::nullopt;
        a->items.push_back(std::move(*it));
        if (a->items.size() > a->count) return std::nullopt;
    }
    if (a->items.size() != a->count) return std::nullopt;
    return a;
}

std::optional<SubscribeArgs> parse_unsubscribe_args(std::string_view args) {
    if (auto named = parse_subscribe_args(args)) return named;
    ByteReader r(args);
    auto a = read_head(r);
    if (!a) return std::nullopt;
    for (uint16_t i = 0; i < a->count; ++i) {
        auto id = r.u32();
        if (!id) return std::nullopt;
        a->ids.push_back(*id);
        if (r.at_end()) break;
        auto sep = r.u8();
        bool last = i + 1 == a->count;
        if (*sep != ':' && !(last && *sep == '\0')) return std::nullopt;
    }
    if (a->ids.size() != a->count || !only_terminators(r.rest())) return std::nullopt;
    return a;
}

} // namespace sim::mf
