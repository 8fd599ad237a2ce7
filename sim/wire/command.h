#pragma once
// The addressed command line of the modules:
//   "$BD:nn,CMD:MON|SET,[CH:n,]PAR:X[,VAL:v]"   (line end already removed)
// and the replies they send:
//   "#BD:nn,CMD:OK[,VAL:v]"  or, for a refusal, "#BD:nn,<KEYWORD>:ERR".

#include <optional>
#include <string>
#include <string_view>

namespace sim {

// The words a module uses to refuse a command. A client classifies a
// refusal by the first of CMD, CH, PAR, VAL, LOC that the line contains, so
// a refusal carries exactly one of them and nothing else that could match.
enum class Refusal { Cmd, Ch, Par, Val, Loc };
const char* refusal_word(Refusal r);

struct Command {
    int board = -1;
    bool set = false;          // CMD:SET, else CMD:MON
    std::optional<int> channel;
    std::string parameter;
    std::optional<std::string> value;
};

struct ParsedLine {
    // No board piece could be read: nobody on the line is addressed, so no
    // module answers.
    bool addressed = false;
    int board = -1;
    std::optional<Refusal> refusal; // set when the line is addressed but malformed
    Command command;
};

ParsedLine parse_command(std::string_view line);

std::string ok_reply(int board, const std::optional<std::string>& value);
std::string refusal_reply(int board, Refusal r);

} // namespace sim
