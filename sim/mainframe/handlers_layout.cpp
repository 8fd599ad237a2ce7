// Session and layout requests: login and logout, the system description,
// the crate map and composition, one board's identity, channel names.
#include "mainframe/bytes.h"
#include "mainframe/layout_replies.h"
#include "mainframe/mainframe.h"
#include "mainframe/status.h"

namespace sim::mf {

namespace {

Reply with_data(std::string data) {
    Reply r;
    r.data = std::move(data);
    return r;
}

bool printable_name(std::string_view s) {
    for (char c : s)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return false;
    return true;
}

// "slot ':' name ':' count ':' channels": the name may hold ':' itself, so
// the split is the one after which the count matches what follows.
struct NameArgs {
    uint16_t slot = 0;
    std::string name;
    std::vector<uint16_t> channels;
};

std::optional<NameArgs> parse_name_args(std::string_view args) {
    ByteReader head(args);
    auto slot = head.u16();
    if (!slot || !head.colon()) return std::nullopt;
    std::string_view rest = head.rest();
    for (size_t p = rest.find(':'); p != std::string_view::npos; p = rest.find(':', p + 1)) {
        ByteReader r(rest.substr(p + 1));
        auto count = r.u16();
        if (!count || !r.colon() || r.left() != 2u * *count) continue;
        NameArgs a{*slot, std::string(rest.substr(0, p)), {}};
        for (uint16_t i = 0; i < *count; ++i) a.channels.push_back(*r.u16());
        return a;
    }
    return std::nullopt;
}

} // namespace

Reply Mainframe::login(Connection& c, const Request& req) {
    std::string_view args = req.args;
    while (!args.empty() && args.back() == '\0') args.remove_suffix(1);
    auto colon = args.find(':');
    if (!req.has_args || colon == std::string_view::npos) return refusal(kStatusBadRequest, kTextBadRequest);
    std::string_view user = args.substr(0, colon), password = args.substr(colon + 1);
    const User* who = nullptr;
    for (const auto& u : users_)
        if (u.name == user && u.password == password) who = &u;
    if (!who && !users_.empty()) return refusal(kStatusLoginRefused, kTextLoginRefused);
    int open = 0;
    for (const auto& [id, other] : conns_) open += other.logged_in && &other != &c;
    if (open >= opts_.max_sessions) return refusal(kStatusTooManySessions, kTextTooManySessions);
    if (c.logged_in) end_session(c.id); // a second login starts a new session
    c.logged_in = true;
    c.session = next_session_;
    next_session_ = next_session_ * 1664525u + 1013904223u;
    if (next_session_ == 0) next_session_ = 1;
    c.user = std::string(user);
    c.may_write = who ? who->may_write : true;
    c.since = Clock::now();
    c.seen_layout = crate_.layout_generation();
    return with_data(ByteWriter().u32(c.session).take());
}

Reply Mainframe::logout(Connection& c, const Request&) {
    end_session(c.id);
    return Reply{};
}

Reply Mainframe::system_info(Connection& c, const Request&) {
    c.seen_layout = crate_.layout_generation();
    return with_data(system_info_data(crate_));
}

Reply Mainframe::crate_map(Connection&, const Request&) { return with_data(crate_map_data(crate_)); }

Reply Mainframe::composition(Connection&, const Request&) { return with_data(composition_data(crate_)); }

Reply Mainframe::board_presence(Connection&, const Request& req) {
    ByteReader r(req.args);
    auto slot = r.u16();
    if (!slot || !r.at_end()) return refusal(kStatusBadRequest, kTextBadRequest);
    if (*slot >= crate_.slots()) return refusal(kStatusOutOfRange, kTextOutOfRange);
    const Board* b = crate_.board(*slot);
    if (!b) return refusal(kStatusSlotAbsent, kTextSlotAbsent);
    return with_data(board_identity_data(*b));
}

Reply Mainframe::get_channel_names(Connection& c, const Request& req) {
    ByteReader r(req.args);
    auto slot = r.u16();
    bool ok = slot && r.colon();
    auto count = ok ? r.u16() : std::nullopt;
    ok = count && r.colon() && r.left() == 2u * *count;
    if (!ok) return refusal(kStatusBadRequest, kTextBadRequest);
    if (c.seen_layout != crate_.layout_generation()) return refusal(kStatusConfigChanged, kTextConfigChanged);
    if (*slot >= crate_.slots()) return refusal(kStatusOutOfRange, kTextOutOfRange);
    const Board* b = crate_.board(*slot);
    if (!b) return refusal(kStatusSlotAbsent, kTextSlotAbsent);
    std::string data;
    for (uint16_t i = 0; i < *count; ++i) {
        uint16_t ch = *r.u16();
        if (ch >= b->channels.size()) return refusal(kStatusOutOfRange, kTextOutOfRange);
        data += b->channels[ch].name;
        data.push_back('\0');
    }
    return with_data(data);
}

Reply Mainframe::set_channel_name(Connection& c, const Request& req) {
    auto a = parse_name_args(req.args);
    if (!a) return refusal(kStatusBadRequest, kTextBadRequest);
    if (!c.may_write) return refusal(kStatusReadOnly, kTextNoWriteAccess);
    if (c.seen_layout != crate_.layout_generation()) return refusal(kStatusConfigChanged, kTextConfigChanged);
    if (a->slot >= crate_.slots()) return refusal(kStatusOutOfRange, kTextOutOfRange);
    Board* b = crate_.board(a->slot);
    if (!b) return refusal(kStatusSlotAbsent, kTextSlotAbsent);
    if (a->name.size() > kMaxChannelName) return refusal(kStatusOutOfRange, kTextNameTooLong);
    if (!printable_name(a->name)) return refusal(kStatusBadRequest, kTextBadRequest);
    for (uint16_t ch : a->channels)
        if (ch >= b->channels.size()) return refusal(kStatusOutOfRange, kTextOutOfRange);
    for (uint16_t ch : a->channels) b->channels[ch].name = a->name;
    return Reply{};
}

} // namespace sim::mf
