// One parameter of a text-protocol module: the row that tells the engine
// how a client name maps to a word on the wire, what type and access mode
// the value has, its limits and display hints, and the texts of its states.
//
// Built-in tables are constant arrays of rows (written with designated
// initialisers, fields left out are zero).  Each open module keeps its own
// copy, because some of it (limits, decimals, enumeration texts) is completed
// from what the module answers at open.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zevahv::modules {

inline constexpr std::size_t kRowNameSize = 16;  // 15 characters + NUL
// A self-describing module's words are the names it lists, each up to 256
// characters.
inline constexpr std::size_t kMnemonicSize = 257;
inline constexpr std::size_t kRowTextSize = 64;  // on/off texts, 63 + NUL
inline constexpr std::size_t kEnumCount = 10;    // as the "Enum" property
inline constexpr std::size_t kEnumTextSize = 15; // 14 characters + NUL

// Value types (low 3 bits of the type-and-mode word), as the "Type" property.
inline constexpr unsigned kNumeric = 0;
inline constexpr unsigned kOnOff = 1;
inline constexpr unsigned kChStatus = 2;
inline constexpr unsigned kBdStatus = 3;
inline constexpr unsigned kRaw = 4;
inline constexpr unsigned kText = 5;
inline constexpr unsigned kEnum = 6;
inline constexpr unsigned kCommand = 7;

// Access modes (bits 3-4), as the "Mode" property.
inline constexpr unsigned kRead = 0;
inline constexpr unsigned kWrite = 1;
inline constexpr unsigned kReadWrite = 2;

constexpr std::uint32_t type_mode(unsigned type, unsigned mode) {
    return (type & 7u) | ((mode & 3u) << 3);
}

// Rows whose value is not a plain exchange of their own mnemonic.  The engine
// implements each role once; a family marks the rows of its table.
enum class Role : std::uint8_t {
    None,
    Power,        // read through the status word, switched with "ON"/"OFF"
    RangeSwitch,  // current-monitor range (protocol on text = low range)
    MonitorLow,   // current monitor that is only valid in the low range
    MonitorHigh,  // current monitor that is only valid in the high range
    Switch,       // read as its own on/off word, switched with the bare words
                  // "ON" and "OFF" (a crate's power)
    Plain,        // read and written as its own word with its value, whatever
                  // its mode: a write-only row a module described itself is
                  // written with its value, not as a bare switch-like word
};

struct Row {
    char name[kRowNameSize]{};      // client name ("VSet")
    char mnemonic[kMnemonicSize]{}; // word sent after "PAR:" ("VSET")
    std::uint32_t type_mode{};      // type_mode(kNumeric, kReadWrite)
    float min{};                    // "Minval"
    float max{};                    // "Maxval" (enumerations: highest index)
    std::uint16_t decimals{};       // "Decimal"
    std::uint16_t idigits{};        // I of the "%0<I+D>.<D>f" set format
    std::uint16_t ddigits{};        // D of the same
    std::uint16_t set_width{};      // W of the "%0<W>.0f" set format
    std::int8_t unit{};             // "Unit" code
    std::int8_t exp{};              // "Exp"
    char proto_on[kRowTextSize]{};  // the module's word for state 1 ("ON")
    char proto_off[kRowTextSize]{}; // the module's word for state 0 ("OFF")
    char on[kRowTextSize]{};        // "Onstate" reported to clients
    char off[kRowTextSize]{};       // "Offstate"
    char enums[kEnumCount][kEnumTextSize]{};  // "Enum" texts, index 0..max
    Role role{};
    double resolution{};            // families that read a resolution at open

    friend bool operator==(const Row &, const Row &) = default;
};

constexpr unsigned row_type(const Row &r) { return r.type_mode & 7u; }
constexpr unsigned row_mode(const Row &r) { return (r.type_mode >> 3) & 3u; }
constexpr bool row_readable(const Row &r) { return row_mode(r) != kWrite; }
constexpr bool row_writable(const Row &r) { return row_mode(r) != kRead; }

}  // namespace zevahv::modules
