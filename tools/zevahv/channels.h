#pragma once
// Channel lists as people type them: "3", "0-3,7", "all".

#include <string>
#include <string_view>
#include <vector>

namespace zcli {

// Parses a list against a board of `count` channels, in the order given,
// without repeats.  Throws Failure: a malformed list is a usage error, a
// channel not below `count` is "not found" with library code 10.
std::vector<unsigned short> parse_channels(std::string_view text, unsigned count);

// The compact form of a list: "0-3,7".
std::string channel_list_text(const std::vector<unsigned short>& channels);

}  // namespace zcli
