#include "target.h"

#include "ZEVAHVLink.h"
#include "channels.h"
#include "failure.h"
#include "names.h"
#include "system.h"

namespace zcli {

namespace {

// Text values are read one at a time into a buffer of this size, so that
// the spacing the library uses between several texts does not matter.
constexpr size_t kTextValue = 1024;

std::string listed(const std::vector<std::string>& names) {
    std::string out;
    for (const auto& n : names) out += (out.empty() ? "" : ", ") + n;
    return out.empty() ? "none" : out;
}

// Words that explain a refusal the access mode predicts.
std::string hint(const ParamInfo& p, unsigned refused_mode, const char* what) {
    return p.mode == refused_mode ? " (" + p.name + " is " + what + ")" : "";
}

}  // namespace

std::optional<std::string> match_name(const std::vector<std::string>& names,
                                      const std::string& wanted) {
    for (const auto& n : names)
        if (n == wanted) return n;
    std::optional<std::string> found;
    for (const auto& n : names) {
        if (!equal_ignoring_case(n, wanted)) continue;
        if (found) return std::nullopt;  // two names differ only in case
        found = n;
    }
    return found;
}

std::string target_label(const Target& t) {
    std::string l = t.info.name + " on slot " + std::to_string(t.slot);
    if (!t.channels.empty())
        l += (t.channels.size() == 1 ? " channel " : " channels ") + channel_list_text(t.channels);
    return l;
}

Target resolve_param(const System& sys, const std::vector<Slot>& map, unsigned slot,
                     const std::string& name, const std::optional<std::string>& channels) {
    const Slot& s = present_slot(map, slot);
    Target t;
    t.slot = slot;
    std::vector<unsigned short> chs;
    if (channels) chs = parse_channels(*channels, s.channels);

    std::vector<std::string> board = board_param_names(sys, slot);
    std::vector<std::string> chan;
    if (s.channels > 0) chan = channel_param_names(sys, slot, chs.empty() ? 0 : chs.front());

    std::optional<std::string> found;
    if (!channels) {
        found = match_name(board, name);
        if (found) {
            t.info = describe_param(sys, slot, -1, *found);
            return t;
        }
    }
    found = match_name(chan, name);
    if (!found) {
        if (channels && match_name(board, name))
            throw Failure(kExitUsage, -1,
                          name + " is a board parameter of slot " + std::to_string(slot) +
                              ": leave out --channel");
        throw Failure(kExitNotFound, ZEVAHV_ERR_PARAMNOTFOUND,
                      "no parameter \"" + name + "\" on slot " + std::to_string(slot) +
                          " (board: " + listed(board) + "; channel: " + listed(chan) + ")");
    }
    if (!channels) chs = parse_channels("all", s.channels);
    t.channels = std::move(chs);
    t.info = describe_param(sys, slot, t.channels.front(), *found);
    return t;
}

std::vector<Reading> read_values(const System& sys, const Target& t) {
    const char* name = t.info.name.c_str();
    auto slot = static_cast<unsigned short>(t.slot);
    std::vector<Reading> out;
    auto fail = [&](int rc) {
        sys.check(rc, "reading " + target_label(t) +
                          hint(t.info, ZEVAHV_PARAM_MODE_WRONLY, "write-only"));
    };

    if (t.info.type == ZEVAHV_PARAM_TYPE_STRING) {
        // ch: one channel of the list, or null for the board parameter.
        auto one = [&](const unsigned short* ch) {
            Reading r{ch ? *ch : -1, std::vector<unsigned char>(kTextValue, 0)};
            fail(ch ? ZEVAHV_GetChParam(sys.handle(), slot, name, 1, ch, r.bytes.data())
                    : ZEVAHV_GetBdParam(sys.handle(), 1, &slot, name, r.bytes.data()));
            r.bytes.back() = 0;
            out.push_back(std::move(r));
        };
        if (t.channels.empty()) one(nullptr);
        for (const auto& c : t.channels) one(&c);
        return out;
    }

    size_t n = t.channels.empty() ? 1 : t.channels.size();
    std::vector<unsigned char> all(4 * n, 0);
    int rc = t.channels.empty()
                 ? ZEVAHV_GetBdParam(sys.handle(), 1, &slot, name, all.data())
                 : ZEVAHV_GetChParam(sys.handle(), slot, name,
                                     static_cast<unsigned short>(n), t.channels.data(), all.data());
    fail(rc);
    for (size_t i = 0; i < n; ++i)
        out.push_back({t.channels.empty() ? -1 : t.channels[i],
                       std::vector<unsigned char>(all.begin() + 4 * i, all.begin() + 4 * i + 4)});
    return out;
}

void write_value(const System& sys, const Target& t, const std::vector<unsigned char>& value) {
    // The set calls take the value through a non-const pointer; hand over a copy.
    std::vector<unsigned char> v = value;
    auto slot = static_cast<unsigned short>(t.slot);
    const char* name = t.info.name.c_str();
    int rc = t.channels.empty()
                 ? ZEVAHV_SetBdParam(sys.handle(), 1, &slot, name, v.data())
                 : ZEVAHV_SetChParam(sys.handle(), slot, name,
                                     static_cast<unsigned short>(t.channels.size()),
                                     t.channels.data(), v.data());
    sys.check(rc, "setting " + target_label(t) +
                      hint(t.info, ZEVAHV_PARAM_MODE_RDONLY, "read-only"));
}

}  // namespace zcli
