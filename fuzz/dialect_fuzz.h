// The body that every dialect's fuzz target shares: replies as a module, a
// broken cable or a confused converter may deliver them, checked by the
// dialect, and command lines built from whatever mnemonic and value.
//
// Input: one byte that chooses the board address (bit 7 set: no address,
// for dialects that allow it), then either "mnemonic NUL reply" or, without
// a NUL, the reply alone (the mnemonic is then "VMON").
#pragma once

#include <string>

#include "frame/fields.h"
#include "fuzz_check.h"
#include "modules/dialects/dialect.h"

namespace fuzz_dialect {

inline bool known_error(int e) { return e == -1 || (e >= 0 && e <= 5); }

// What runs on an accepted value: the number readers and the all-channels
// split.
inline void check_value(std::string_view value) {
    float f = 0;
    long n = 0;
    (void)zevahv::parse_float(value, &f);
    (void)zevahv::parse_int(value, &n);
    for (std::size_t parts : {std::size_t{1}, std::size_t{4}, std::size_t{16}, std::size_t{32}}) {
        const auto split = zevahv::split_fields(value, ';', parts);
        FUZZ_CHECK(split.size() <= parts);
        for (auto p : split) {
            FUZZ_CHECK(inside(p, value));
            (void)zevahv::parse_float(p, &f);
        }
    }
}

inline void run(const zevahv::modules::Dialect &d, const std::uint8_t *data, std::size_t size) {
    using zevahv::modules::Verb;
    InputCursor in{data, size};
    const std::uint8_t b = in.take();
    const int board = (b & 0x80) && d.valid_board(-1) ? -1 : b % 100;
    const std::string_view rest = in.rest();
    const std::size_t nul = rest.find('\0');
    const std::string_view mnemonic = nul == std::string_view::npos ? "VMON" : rest.substr(0, nul);
    const std::string_view reply = nul == std::string_view::npos ? rest : rest.substr(nul + 1);

    std::string value = "unchanged";
    const int e = d.parse_value(board, mnemonic, reply, &value);
    FUZZ_CHECK(known_error(e));
    if (e == 0) {
        // An accepted reply is a whole line, and its value is a piece of it
        // without the line end.
        FUZZ_CHECK(!reply.empty() && reply.back() == '\n');
        FUZZ_CHECK(value.size() < reply.size());
        FUZZ_CHECK(reply.find(value) != std::string_view::npos);
        // The link hands over one line: up to its first line feed.
        if (reply.find('\n') + 1 == reply.size())
            FUZZ_CHECK(value.find('\n') == std::string::npos);
        check_value(value);
    } else {
        FUZZ_CHECK(value == "unchanged");
    }
    FUZZ_CHECK(known_error(d.check_set(board, reply)));
    const int c = d.classify_refusal(reply);
    FUZZ_CHECK(c == -1 || (c >= 1 && c <= 5));

    // Commands built from whatever mnemonic and value: never longer than a
    // line, always ending with the line end, the mnemonic unchanged in them.
    const std::string v(reply.substr(0, 64));
    for (Verb verb : {Verb::Monitor, Verb::Set, Verb::Info}) {
        for (int channel : {-1, 0, 15}) {
            std::string cmd = "unchanged";
            if (!d.build(board, verb, mnemonic, channel, verb == Verb::Set ? v.c_str() : nullptr,
                         &cmd)) {
                FUZZ_CHECK(cmd == "unchanged");
                continue;
            }
            FUZZ_CHECK(cmd.size() < zevahv::modules::kLineSize);
            FUZZ_CHECK(cmd.size() >= 2 && cmd.substr(cmd.size() - 2) == "\r\n");
            FUZZ_CHECK(cmd.find(mnemonic) != std::string::npos);
        }
    }
}

}  // namespace fuzz_dialect
