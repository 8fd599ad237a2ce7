#include "channels.h"

#include <algorithm>
#include <charconv>

#include "ZEVAHVLink.h"
#include "failure.h"

namespace zcli {

namespace {

[[noreturn]] void malformed(std::string_view text) {
    throw Failure(kExitUsage, -1,
                  "bad channel list \"" + std::string(text) +
                      "\": use numbers and ranges such as 0-3,7, or all");
}

unsigned channel_number(std::string_view piece, std::string_view whole) {
    unsigned v = 0;
    auto [end, ec] = std::from_chars(piece.data(), piece.data() + piece.size(), v);
    if (piece.empty() || ec != std::errc() || end != piece.data() + piece.size()) malformed(whole);
    return v;
}

}  // namespace

std::vector<unsigned short> parse_channels(std::string_view text, unsigned count) {
    std::vector<unsigned short> out;
    if (text == "all" || text == "*") {
        for (unsigned c = 0; c < count; ++c) out.push_back(static_cast<unsigned short>(c));
        return out;
    }
    if (text.empty()) malformed(text);
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t comma = text.find(',', pos);
        if (comma == std::string_view::npos) comma = text.size();
        std::string_view piece = text.substr(pos, comma - pos);
        size_t dash = piece.find('-');
        unsigned first = channel_number(piece.substr(0, dash), text);
        unsigned last = dash == std::string_view::npos ? first
                                                       : channel_number(piece.substr(dash + 1), text);
        if (last < first) malformed(text);
        if (last >= count)
            throw Failure(kExitNotFound, ZEVAHV_ERR_OUTOFRANGE,
                          "channel " + std::to_string(last) + " is beyond the board (" +
                              (count ? "channels 0 to " + std::to_string(count - 1)
                                     : std::string("no channels")) +
                              ")");
        for (unsigned c = first; c <= last; ++c) {
            auto ch = static_cast<unsigned short>(c);
            if (std::find(out.begin(), out.end(), ch) == out.end()) out.push_back(ch);
        }
        pos = comma + 1;
    }
    return out;
}

std::string channel_list_text(const std::vector<unsigned short>& channels) {
    std::string out;
    size_t i = 0;
    while (i < channels.size()) {
        size_t j = i;
        while (j + 1 < channels.size() && channels[j + 1] == channels[j] + 1) ++j;
        if (!out.empty()) out += ',';
        out += std::to_string(channels[i]);
        if (j > i) out += '-' + std::to_string(channels[j]);
        i = j + 1;
    }
    return out;
}

}  // namespace zcli
