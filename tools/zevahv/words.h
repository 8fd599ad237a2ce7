#pragma once
// A line of a batch split into words as a shell would for simple cases:
// blanks separate words; '...' keeps everything inside as it is; "..."
// too, except that \" and \\ stand for " and \; outside quotes a backslash
// keeps the next character.  A line whose first word begins with # is a
// comment (elsewhere # is a character: "#2" names a choice's index).  ""
// is an empty word (an empty text).

#include <string>
#include <string_view>
#include <vector>

namespace zcli {

// Throws Failure(kExitUsage) for a quote that is not closed or a backslash
// at the end of the line.
std::vector<std::string> split_words(std::string_view line);

}  // namespace zcli
