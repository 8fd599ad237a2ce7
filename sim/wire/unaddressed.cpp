// The unaddressed form: one module on the line, so every line is its own
// and every reply is "#CMD:...".
#include "wire/pieces.h"

namespace sim {

namespace {

using namespace pieces;

class Unaddressed : public UnaddressedReplies {
public:
    const char* name() const override { return "unaddressed"; }

    ParsedLine parse(std::string_view line) const override {
        ParsedLine out;
        if (line.empty()) return out; // a bare line end is no command
        out.answered = true;
        if (!starts_with(line, "$CMD:")) {
            out.refusal = Refusal::Cmd;
            return out;
        }
        std::string_view rest = line.substr(1);
        read_command(rest, line, false, out);
        return out;
    }

    const char* help() const override {
        return R"(  $CMD:MON,[CH:n,]PAR:WORD            ->  #CMD:OK,VAL:<value>
  $CMD:SET,[CH:n,]PAR:WORD[,VAL:v]    ->  #CMD:OK
  Refusals: #<KEYWORD>:ERR. Every non-empty line is the module's: one that
  is not a command is refused with CMD.
)";
    }
};

} // namespace

const Dialect& unaddressed_dialect() {
    static const Unaddressed d;
    return d;
}

} // namespace sim
