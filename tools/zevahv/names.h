#pragma once
// The names of system types and link types, as the library's tables give
// them, so that a user may type "p731x" or "tcp" instead of a code.  These
// are the only per-family words the program knows; everything else it asks
// the library.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zcli {

struct NamedCode {
    const char* name;
    int code;
};

const std::vector<NamedCode>& system_types();
const std::vector<NamedCode>& link_types();

// A name (case-insensitive, or one of its aliases) or a decimal code.
std::optional<int> system_type_code(std::string_view text);
std::optional<int> link_type_code(std::string_view text);

// The table's name of a code, or the code as a number.
std::string system_type_name(int code);
std::string link_type_name(int code);

// "KR2210, KR2220, ..." for help texts and messages.
std::string joined_names(const std::vector<NamedCode>& table);

bool equal_ignoring_case(std::string_view a, std::string_view b);

// How a system's events reach a client that subscribed its items.
enum class EventPath {
    kLocalPolling,     // the library's polling thread connects from this host (TCP)
    kSystemStream,     // the mainframe connects from its own address (TCP)
    kSystemDatagrams,  // the legacy mainframe sends UDP datagrams from its address
};
EventPath event_path(int system_type);

}  // namespace zcli
