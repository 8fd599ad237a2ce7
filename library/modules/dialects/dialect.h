// Line dialects: the forms in which the text-protocol families write their
// commands and read their replies.  Each dialect is a small codec of pure
// functions over text (one file each, fuzzed on its own); a family names its
// dialect in its FamilyDesc, and the engine's exchanges (monitor, set, info)
// go through it.  Nothing here touches a link.
//
//   addressed    "$BD:%02d,CMD:MON,CH:n,PAR:X\r\n"  "#BD:nn,CMD:OK,VAL:v"
//   unaddressed  "$CMD:MON,CH:n,PAR:X\r\n"          "#CMD:OK,VAL:v"
//   lumen        "$BD:%d,CMD:..." with an address, "$CMD:..." without; the
//                verb INFO besides MON and SET; replies as either of the above
//   kqps         "X:?\r\n", "X:v\r\n", "X\r\n"       "#X:v", "#AK"
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zevahv::modules {

// Command and reply lines are at most this long, line end included.
inline constexpr std::size_t kLineSize = 1024;

// What a command asks: read a value, write one (with no value: the
// switch-like or command form), or read a parameter's description.
enum class Verb { Monitor, Set, Info };

struct Dialect {
    const char *name;
    // Whether the board address of a connection argument can be written in
    // this dialect (-1 means "no address").
    bool (*valid_board)(int board);
    // One command line with its "\r\n".  channel < 0 leaves the channel out;
    // value null leaves the value out.  False when the line would not fit
    // kLineSize - 1 bytes, the board cannot be written, or the dialect has
    // no such command.
    bool (*build)(int board, Verb verb, std::string_view mnemonic, int channel,
                  const char *value, std::string *out);
    // The value text of the reply to a Monitor or Info of mnemonic: 0, a
    // refusal class (1..5) or -1 for a reply that does not follow the
    // grammar, comes from another board, answers another mnemonic or has no
    // line end.  *value is written only on 0.
    int (*parse_value)(int board, std::string_view mnemonic, std::string_view reply,
                       std::string *value);
    // The reply to a Set: 0 when it accepts, else a refusal class or -1.
    int (*check_set)(int board, std::string_view reply);
    // The refusal class of a reply that does not accept: 1 command refused,
    // 2 bad channel, 3 bad parameter, 4 value refused, 5 module in local
    // control; -1 when the reply says nothing of the kind.
    int (*classify_refusal)(std::string_view reply);
};

namespace dialects {
extern const Dialect kAddressed;    // dialects/addressed.cpp
extern const Dialect kUnaddressed;  // dialects/unaddressed.cpp
extern const Dialect kLumen;        // dialects/lumen.cpp
extern const Dialect kKqps;         // dialects/kqps.cpp
}  // namespace dialects

}  // namespace zevahv::modules
