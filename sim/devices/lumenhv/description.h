#pragma once
// What a LUMENHV module says about itself: its model, its channel count and
// its words, each with the description it answers to INFO. A simulator is
// given one as a JSON file (--describe), or uses the built-in one; see
// description_help() for the format.

#include <optional>
#include <string>
#include <vector>

namespace sim::lumenhv {

struct WordDescription {
    std::string name;        // the word on the wire and the parameter name
    int type = 0;            // value type: 0 number, 1 on/off, 2 channel status,
                             // 3 board status, 4 raw, 5 text, 6 index, 7 command
    int mode = 2;            // 0 read-only, 1 write-only, 2 read-write
    double min = 0;
    double max = 0;
    int decimals = 0;
    std::optional<int> small; // the sixth field; empty on the wire when absent
    std::string unit;         // ampere, volt, watt, celsius, hertz, bar, vps, second,
                              // rpm, count, bit, or anything else
    std::string on_text, off_text;
    double value = 0;         // initial value (numbers, switches, indexes)
    std::string text;         // initial value of a text word
    std::string role;         // the behaviour it drives; empty: it only stores
    std::vector<int> channels; // channel words: the channels that have it (empty: all)
    std::optional<std::string> info; // an INFO answer given verbatim (broken on purpose)
    std::string help;
};

struct Description {
    std::string model = "LUMENHV";
    int channels = 4;
    std::vector<WordDescription> board;
    std::vector<WordDescription> channel;
};

// The roles a word may take, for --help and validation.
const std::vector<std::string>& known_roles();

// Parses and checks a description; nothing, with `error` filled, when the
// text is not one.
std::optional<Description> parse_description(const std::string& json, std::string& error);
std::optional<Description> read_description_file(const std::string& path, std::string& error);
const Description& builtin_description();

// The INFO answer: "type;mode;min;max;decimals;small;unit;on;off;" (nine ';').
std::string info_text(const WordDescription& w);

std::string description_help();

} // namespace sim::lumenhv
