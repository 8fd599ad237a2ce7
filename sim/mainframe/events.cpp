// Subscriptions and the event stream. A subscription is kept per event
// destination (the client's address and port) and per session; its
// identifier is given when it is made and stays with the board, so a board
// moved to another slot keeps sending under the identifier of its old slot,
// and a board pulled out ends its subscriptions. Every tick the subscribed
// values are compared with what was last pushed and the changes go out in
// one frame (or one legacy message or batch) per destination.
#include <algorithm>
#include <sstream>

#include "mainframe/bytes.h"
#include "mainframe/mainframe.h"
#include "mainframe/status.h"
#include "model/value_text.h"

namespace sim::mf {

namespace {

constexpr int32_t kRefused = -1;        // no such item
constexpr int32_t kAlreadyThere = -2;   // legacy: this session has it already
constexpr int32_t kTableFull = -3;      // legacy: this session has too many

std::optional<uint32_t> notice_id(std::string_view name) {
    if (name == "KeepAlive") return kNoticeKeepAlive;
    if (name == "LiveInsRem" || name == "LiveInsertion") return kNoticeLiveInsertion;
    if (name == "Tr-Mode") return kNoticeTrMode;
    return std::nullopt;
}

bool same_place(uint32_t id, uint16_t kind, const ItemRef& ref) {
    if (kind != ref.kind) return false;
    if (kind == kItemChannel) return (id >> 24) == ref.board && ((id >> 8) & 0xFFFF) == ref.channel;
    if (kind == kItemBoard) return (id >> 24) == ref.board;
    return true;
}

} // namespace

Reply Mainframe::subscribe(Connection& c, const Request& req) {
    auto a = parse_subscribe_args(req.args);
    if (!a) return refusal(kStatusBadRequest, kTextBadRequest);
    bool legacy = req.name == "SUBSCRIBE";
    SinkState& s = sinks_[SinkKey{c.peer, a->port, legacy}];
    if (s.conns.insert(c.id).second) s.last_sent = Clock::now();
    size_t mine = 0;
    for (const auto& [key, sink] : sinks_)
        for (const auto& [id, sub] : sink.items) mine += sub.conns.count(c.id);

    ByteWriter w;
    w.u16(a->count).colon();
    for (const ItemRef& ref : a->items) {
        Item it;
        it.kind = ref.kind;
        it.name = ref.name;
        bool found = false;
        if (ref.kind == kItemChannel || ref.kind == kItemBoard) {
            Board* b = crate_.board(ref.board);
            if (b && ref.kind == kItemBoard) {
                it.index = b->find_param(ref.name);
                it.id = board_item_id(ref.board, it.index);
            } else if (b && ref.channel < b->channels.size()) {
                it.channel = ref.channel;
                it.index = b->find_channel_param(ref.channel, ref.name);
                it.id = channel_item_id(ref.board, ref.channel, it.index);
            }
            found = b && it.index >= 0;
            if (found) it.board_uid = b->uid;
        } else if (ref.kind == kItemSystem) {
            it.index = SystemProps::index_of(ref.name);
            found = it.index >= 0;
            it.id = kSystemItemBase | static_cast<uint32_t>(it.index);
        } else if (auto n = notice_id(ref.name)) {
            found = true;
            it.id = *n;
        }
        if (!found) {
            w.u32(static_cast<uint32_t>(kRefused));
            continue;
        }
        auto existing = s.items.find(it.id);
        if (existing != s.items.end() && existing->second.conns.count(c.id)) {
            w.u32(legacy ? static_cast<uint32_t>(kAlreadyThere) : it.id);
            continue;
        }
        if (mine >= opts_.max_items) {
            w.u32(static_cast<uint32_t>(legacy ? kTableFull : kRefused));
            continue;
        }
        Subscribed& sub = s.items[it.id];
        sub.item = it;
        sub.conns.insert(c.id);
        ++mine;
        w.u32(it.id);
    }
    Reply r;
    r.data = w.take();
    return r;
}

Reply Mainframe::unsubscribe(Connection& c, const Request& req) {
    auto a = parse_unsubscribe_args(req.args);
    if (!a) return refusal(kStatusBadRequest, kTextBadRequest);
    auto sink = sinks_.find(SinkKey{c.peer, a->port, req.name == "UNSUBSCRIBE"});
    auto remove = [&](uint32_t id) -> uint32_t {
        if (sink == sinks_.end()) return static_cast<uint32_t>(kRefused);
        auto it = sink->second.items.find(id);
        if (it == sink->second.items.end() || !it->second.conns.erase(c.id))
            return static_cast<uint32_t>(kRefused);
        if (it->second.conns.empty()) sink->second.items.erase(it);
        return id;
    };
    ByteWriter w;
    w.u16(a->count).colon();
    // An identifier of -2 names no item: it is answered as it came and
    // removes nothing.
    for (uint32_t id : a->ids) w.u32(id == kNoIdentifier ? kNoIdentifier : remove(id));
    for (const ItemRef& ref : a->items) {
        std::optional<uint32_t> id;
        if (sink != sinks_.end())
            for (const auto& [sid, sub] : sink->second.items)
                if (sub.item.name == ref.name && sub.conns.count(c.id) && same_place(sid, sub.item.kind, ref))
                    id = sid;
        w.u32(id ? remove(*id) : static_cast<uint32_t>(kRefused));
    }
    Reply r;
    r.data = w.take();
    return r;
}

std::optional<EventItem> Mainframe::current_value(const Item& it) const {
    if (it.kind == kItemSystem) return props_.event_item(static_cast<size_t>(it.index), it.id, crate_.channels_on());
    if (it.kind == kItemNotice) return std::nullopt;
    for (int s = 0; s < crate_.slots(); ++s) {
        const Board* b = crate_.board(s);
        if (!b || b->uid != it.board_uid) continue;
        uint32_t raw = it.kind == kItemBoard ? crate_.read_board(*b, it.index)
                                             : crate_.read_channel(*b, it.channel, it.index);
        return number_item(it.id, raw);
    }
    return std::nullopt;
}

StateBytes Mainframe::state_bytes() const {
    StateBytes st;
    for (int s = 0; s < static_cast<int>(kStateBoards) && s < crate_.slots(); ++s)
        if (const Board* b = crate_.board(s)) st.boards[s] = b->state_byte();
    st.system = crate_.system_state_byte();
    return st;
}

void Mainframe::frames_for(const SinkKey& key, SinkState& s, const std::vector<EventItem>& items,
                           Outbox& out, AfterSend after, const FrameTweak& ft, const LegacyTweak& lt) {
    s.last_sent = Clock::now();
    if (!key.udp) {
        out.emplace_back(key, event_frame(items, state_bytes(), ++event_seq_, ft), after);
        return;
    }
    for (auto& m : legacy_messages(items, event_seq_, millis(), lt)) out.emplace_back(key, std::move(m), after);
}

void Mainframe::tick() {
    Outbox out;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto now = Clock::now();
        crate_.advance(now);
        // The noise flips on ticks, so that every flip is pushed.
        if (ripple_ms_ > 0 && now >= next_ripple_) {
            crate_.set_ripple(!crate_.ripple());
            next_ripple_ = std::max(next_ripple_ + std::chrono::milliseconds(ripple_ms_), now);
        }
        for (auto& [key, s] : sinks_) {
            if (!out_.alive(key)) continue;
            std::vector<EventItem> changed;
            for (auto& [id, sub] : s.items) {
                auto v = current_value(sub.item);
                if (!v) continue;
                std::string seen = (v->text ? "T" : "N") + v->value;
                if (sub.last == seen) continue;
                sub.last = seen;
                changed.push_back(std::move(*v));
            }
            if (!changed.empty()) {
                frames_for(key, s, changed, out);
            } else if (now - s.last_sent >= std::chrono::milliseconds(opts_.keepalive_ms)) {
                // Nothing changed for a while: tell the client the crate is alive
                // (a legacy client only when it asked for keep-alives).
                if (!key.udp || s.items.count(kNoticeKeepAlive))
                    frames_for(key, s, {number_item(kNoticeKeepAlive, 0)}, out);
                s.last_sent = now;
            }
        }
    }
    send(out);
}

void Mainframe::layout_notice(const std::vector<std::pair<int, bool>>& changes, Outbox& out) {
    std::vector<EventItem> items;
    for (auto [slot, inserted] : changes) items.push_back(live_insertion_item(slot, inserted));
    for (auto& [key, s] : sinks_)
        if (!key.udp || s.items.count(kNoticeLiveInsertion)) frames_for(key, s, items, out);
}

void Mainframe::drop_board_items(uint64_t uid) {
    for (auto& [key, s] : sinks_)
        for (auto it = s.items.begin(); it != s.items.end();)
            it = it->second.item.board_uid == uid && it->second.item.kind <= kItemBoard ? s.items.erase(it)
                                                                                      : std::next(it);
}

// "event MODE [N]": damaged or extra frames on every event destination.
std::string Mainframe::event_fault(const std::string& args, Outbox& out) {
    std::istringstream in(args);
    std::string mode, arg_text;
    in >> mode >> arg_text;
    long arg = 0;
    if (!arg_text.empty()) {
        auto n = parse_whole(arg_text);
        if (!n || *n < 0 || *n > 100000) return "ERR the number must be 0..100000";
        arg = *n;
    }
    int sinks = 0;
    for (auto& [key, s] : sinks_) {
        std::vector<EventItem> all;
        for (auto& [id, sub] : s.items)
            if (auto v = current_value(sub.item)) all.push_back(*v);
        if (all.empty()) all.push_back(number_item(kNoticeKeepAlive, 0));
        FrameTweak ft;
        LegacyTweak lt;
        AfterSend after = AfterSend::Nothing;
        std::vector<EventItem> items = all;
        if (mode == "keepalive") {
            items = {number_item(kNoticeKeepAlive, 0)};
        } else if (mode == "tr-mode") {
            items = {EventItem{kNoticeTrMode, false, ByteWriter().u16(static_cast<uint16_t>(arg)).u16(0).take()}};
        } else if (mode == "flood") {
            for (long i = 0; i < arg; ++i) frames_for(key, s, all, out);
            ++sinks;
            continue;
        } else if (mode == "bad-magic") {
            ft.bad_magic = lt.bad_magic = true;
        } else if (mode == "empty") {
            items.clear();
            if (key.udp) {
                out.emplace_back(key, ByteWriter().text("ZEVA").u8(2).u8(0).u16(10).u16(0).take(), after);
                ++sinks;
                continue;
            }
        } else if (mode == "overcount") {
            ft.count_delta = lt.count_delta = static_cast<int>(arg ? arg : 1);
            lt.force_batch = true;
        } else if (mode == "short-total") {
            ft.total_length = 10;
        } else if (mode == "bad-length") {
            std::string probe = legacy_messages(items, event_seq_, millis(), LegacyTweak{false, 0, {}, true})[0];
            lt.length_field = static_cast<uint16_t>(probe.size() + 7);
            lt.force_batch = true;
            ft.total_length = static_cast<uint32_t>(kEventHeaderSize + 7);
        } else if (mode == "batch") {
            lt.force_batch = true;
        } else if (mode == "unknown") {
            items = {number_item(board_item_id(15, 254), 1)};
        } else if (mode == "long-text") {
            items = {text_item(all[0].id, std::string(static_cast<size_t>(arg ? arg : 2000), 'A'))};
        } else if (mode == "cut" || mode == "stall") {
            if (key.udp) {
                out.emplace_back(key, ByteWriter().text("ZEVA").u8(1).u8(0).u8(0).u8(1).u32(0).u32(0).u32(0).take(),
                                 after);
                ++sinks;
                continue;
            }
            std::string whole = event_frame(all, state_bytes(), ++event_seq_);
            out.emplace_back(key, whole.substr(0, whole.size() / 2),
                             mode == "cut" ? AfterSend::Close : AfterSend::Stall);
            ++sinks;
            continue;
        } else {
            return "ERR unknown event mode \"" + mode + "\"";
        }
        frames_for(key, s, items, out, after, ft, lt);
        ++sinks;
    }
    return "OK " + std::to_string(sinks);
}

} // namespace sim::mf
