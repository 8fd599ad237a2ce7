// The description of one simulated device, as read from a model file (or
// the built-in default of its kind).  A model is plain data: the register
// models in w40xx_board.h and rd40xx_unit.h are built from it.
//
// Model files are line-oriented: '#' starts a comment, the first word of a
// line is its keyword, the rest are values or key=value pairs.  See
// zevacomm/README.md for every keyword and models/*.conf for examples.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zevacomm {

enum class Kind { W40xx, Rd40xx };

// Most channels a W40XX board can hold: channel n's registers start at
// (n + 1) x 0x80 and must stay below the command area at 0x2000.
constexpr int kMaxW40xxChannels = 63;
// Descriptors in the W40XX descriptor area (and bits in a mask entry).
constexpr int kMaxDescriptors = 32;
// An RD40XX unit has four channels.
constexpr int kRd40xxChannels = 4;

// One parameter descriptor of a W40XX board.
struct ParamSpec {
    std::string name;              // up to 10 bytes in the descriptor
    std::uint8_t type_mode = 0;    // type bits 0-2, bit 3 wide, bits 5-6 access, bit 7 signed
    std::int8_t offset = 0;        // register offset r
    std::uint16_t min = 0;
    std::uint16_t max = 0;
    std::uint16_t scale = 1;
    std::uint8_t unit = 0;
    std::int8_t exponent = 0;      // the power of ten (stored negated in the descriptor)
    bool on_board = false;         // applies to the board (mask entry 0)
    std::vector<int> channels;     // channels it applies to
    std::optional<double> init;    // initial value in the shown unit
};

// The answer of an RD40XX unit to one query selector.
struct QuerySpec {
    std::uint8_t selector = 0;
    std::uint16_t scale_word = 1;  // bits 0-13 resolution, bits 14-15 exponent code
    std::uint16_t min = 0;
    std::uint16_t max = 0;
};

struct Model {
    Kind kind = Kind::W40xx;
    std::string source;            // the file it came from, or "built-in w40xx"
    std::string model_name;        // W40XX: 8 characters at 0x8116
    std::string description;       // W40XX: 20 characters at 0x8102
    std::uint16_t serial = 0;
    std::uint32_t firmware = 0;    // W40XX: 16 bits at 0x8120; RD40XX: 32 bits at 0x8124
    int channels = 0;              // W40XX: the count at 0x8100
    std::uint16_t module_type = 0x010A;  // RD40XX: 0x8140, low byte 10
    double load_mohm = 100.0;      // resistive load on every output
    std::vector<std::pair<int, double>> channel_loads;
    std::vector<ParamSpec> params;
    std::vector<QuerySpec> queries;
    // Register values written after everything else: odd descriptor areas,
    // identity words, anything a test needs to look wrong.
    std::vector<std::pair<unsigned, std::uint16_t>> pokes;
};

// Parses a model text.  On error returns false with "line N: why" in *error.
bool parse_model(std::string_view text, Model *out, std::string *error);

// The built-in default models (the text of models/<kind>.conf).
const char *default_model_text(Kind kind);

}  // namespace zevacomm
