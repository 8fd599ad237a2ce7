#include "names.h"

#include <cctype>
#include <charconv>

#include "ZEVAHVLink.h"

namespace zcli {

namespace {

// Short words people type for a link, besides the table's own names.
const std::vector<NamedCode>& link_aliases() {
    static const std::vector<NamedCode> aliases = {
        {"tcp", ZEVAHV_LINK_TCPIP},
        {"tcpip", ZEVAHV_LINK_TCPIP},
        {"vcp", ZEVAHV_LINK_USBVCP},
        {"VCP USB", ZEVAHV_LINK_USBVCP},
    };
    return aliases;
}

std::optional<int> lookup(const std::vector<NamedCode>& table, std::string_view text) {
    for (const auto& e : table)
        if (equal_ignoring_case(e.name, text)) return e.code;
    return std::nullopt;
}

std::optional<int> number(std::string_view text) {
    int v = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size() || v < 0) return std::nullopt;
    return v;
}

std::string name_of(const std::vector<NamedCode>& table, int code) {
    for (const auto& e : table)
        if (e.code == code) return e.name;
    return std::to_string(code);
}

}  // namespace

bool equal_ignoring_case(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

const std::vector<NamedCode>& system_types() {
    static const std::vector<NamedCode> table = {
        {"KR2210", ZEVAHV_SYS_KR2210}, {"KR2220", ZEVAHV_SYS_KR2220},
        {"KR2440", ZEVAHV_SYS_KR2440}, {"KR2550", ZEVAHV_SYS_KR2550},
        {"W40XX", ZEVAHV_SYS_W40XX},   {"Q3815", ZEVAHV_SYS_Q3815},
        {"W7300", ZEVAHV_SYS_W7300},   {"P731X", ZEVAHV_SYS_P731X},
        {"RD40XX", ZEVAHV_SYS_RD40XX}, {"ZBK", ZEVAHV_SYS_ZBK},
        {"RD40XXE", ZEVAHV_SYS_RD40XXE}, {"Q2904", ZEVAHV_SYS_Q2904},
        {"LUMENHV", ZEVAHV_SYS_LUMENHV}, {"KQPS", ZEVAHV_SYS_KQPS},
        {"Q2906", ZEVAHV_SYS_Q2906},
    };
    return table;
}

const std::vector<NamedCode>& link_types() {
    static const std::vector<NamedCode> table = {
        {"TCP/IP", ZEVAHV_LINK_TCPIP}, {"USB", ZEVAHV_LINK_USB},
        {"OPTLINK", ZEVAHV_LINK_OPTLINK}, {"USBVCP", ZEVAHV_LINK_USBVCP},
        {"USB3", ZEVAHV_LINK_USB3},     {"B7301", ZEVAHV_LINK_B7301},
    };
    return table;
}

std::optional<int> system_type_code(std::string_view text) {
    if (auto c = lookup(system_types(), text)) return c;
    return number(text);
}

std::optional<int> link_type_code(std::string_view text) {
    if (auto c = lookup(link_types(), text)) return c;
    if (auto c = lookup(link_aliases(), text)) return c;
    return number(text);
}

EventPath event_path(int system_type) {
    switch (system_type) {
    case ZEVAHV_SYS_KR2210:
    case ZEVAHV_SYS_KR2220: return EventPath::kSystemDatagrams;
    case ZEVAHV_SYS_KR2440:
    case ZEVAHV_SYS_KR2550: return EventPath::kSystemStream;
    default: return EventPath::kLocalPolling;  // modules, the crate supply, register access
    }
}

std::string system_type_name(int code) { return name_of(system_types(), code); }
std::string link_type_name(int code) { return name_of(link_types(), code); }

std::string joined_names(const std::vector<NamedCode>& table) {
    std::string out;
    for (const auto& e : table) {
        if (!out.empty()) out += ", ";
        out += e.name;
    }
    return out;
}

}  // namespace zcli
