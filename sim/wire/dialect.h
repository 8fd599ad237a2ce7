#pragma once
// A line dialect: how one family's modules read a command line and write
// their reply. Every dialect carries the same few things (read, write or
// describe one word, maybe for a channel, maybe with a value), so the
// device models and the engine are written once and a dialect is a small
// codec: parse a line, format a reply, format a refusal. A device kind
// names its dialect; a new family with a new line language is a new codec.
//
//   addressed     $BD:nn,CMD:MON|SET,[CH:n,]PAR:W[,VAL:v] -> #BD:nn,CMD:OK[,VAL:v]
//   unaddressed   $CMD:MON|SET,[CH:n,]PAR:W[,VAL:v]       -> #CMD:OK[,VAL:v]
//   lumenhv       [$BD:n,CMD:|$CMD:]MON|SET|INFO,...      -> #CMD:OK[,VAL:v]
//   kqps          W:?  W:v  W                              -> #W:v  #AK

#include <optional>
#include <string>
#include <string_view>

namespace sim {

// The words a module uses to refuse a command. A client classifies a
// refusal by the first of CMD, CH, PAR, VAL, LOC that the line contains, so
// a refusal carries exactly one of them and nothing else that could match.
enum class Refusal { Cmd, Ch, Par, Val, Loc };
const char* refusal_word(Refusal r);

enum class Verb {
    Mon,  // read a word
    Set,  // write a word (with a value), or run it (without)
    Info, // describe a word (self-describing modules)
};

struct Command {
    int board = -1; // the address the line carried; -1: none
    Verb verb = Verb::Mon;
    std::optional<int> channel;
    std::string parameter;
    std::optional<std::string> value;
};

struct ParsedLine {
    // False: the line is for nobody on this line (another module's address,
    // no address where one is needed, an empty line): no module answers.
    bool answered = false;
    std::optional<Refusal> refusal; // set when the line is answered but malformed
    Command command;                // as far as it could be read
};

// What a command came to: a refusal, or success with or without a value.
struct Outcome {
    std::optional<Refusal> refusal;
    std::optional<std::string> value;
};

class Dialect {
public:
    virtual ~Dialect() = default;
    virtual const char* name() const = 0;

    // One received line, its line end removed.
    virtual ParsedLine parse(std::string_view line) const = 0;
    // Reply lines, "\r\n" included. `cmd` is the command answered (its
    // board, word and verb shape some replies).
    virtual std::string ok(const Command& cmd, const std::optional<std::string>& value) const = 0;
    virtual std::string refusal(const Command& cmd, Refusal r) const = 0;

    // The reply as if another module had sent it (the wrong-board fault):
    // another address, or another echoed word; nothing when this dialect's
    // replies carry neither.
    virtual std::optional<std::string> misdirected(const std::string& reply) const {
        (void)reply;
        return std::nullopt;
    }
    // Whether misdirected() can change anything in this dialect.
    virtual bool misdirects() const { return false; }
    // The lines of --help that show the form.
    virtual const char* help() const = 0;

    std::string reply(const Command& cmd, const Outcome& o) const {
        return o.refusal ? refusal(cmd, *o.refusal) : ok(cmd, o.value);
    }
};

const Dialect& addressed_dialect();
const Dialect& unaddressed_dialect();
const Dialect& lumenhv_dialect();
const Dialect& kqps_dialect();

} // namespace sim
