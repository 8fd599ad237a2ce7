// The LUMENHV form: the unaddressed form, or with a board address in plain
// decimal ("$BD:3,CMD:..."), and a third verb, INFO, with which a module
// describes its own words. Replies never carry the address.
#include "wire/pieces.h"

namespace sim {

namespace {

using namespace pieces;

class Lumenhv : public UnaddressedReplies {
public:
    const char* name() const override { return "lumenhv"; }

    ParsedLine parse(std::string_view line) const override {
        ParsedLine out;
        if (line.empty()) return out;
        std::string_view rest = line;
        if (starts_with(line, "$BD:")) {
            rest = line.substr(4);
            auto board = small_number(next_piece(rest));
            if (!board) return out; // an address nobody has
            out.command.board = *board;
        } else if (starts_with(line, "$CMD:")) {
            rest = line.substr(1);
        } else {
            out.answered = true;
            out.refusal = Refusal::Cmd;
            return out;
        }
        out.answered = true;
        read_command(rest, line, true, out);
        return out;
    }

    const char* help() const override {
        return R"(  $CMD:MON,[CH:n,]PAR:WORD              ->  #CMD:OK,VAL:<value>
  $CMD:SET,[CH:n,]PAR:WORD[,VAL:v]      ->  #CMD:OK
  $CMD:INFO,[CH:n,]PAR:WORD             ->  #CMD:OK,VAL:<description>
  $BD:n,CMD:...                         the same for board n (plain decimal);
                                        the reply carries no address
  Refusals: #<KEYWORD>:ERR. A line without an address is the first board's;
  one with an address no board has gets no answer.
)";
    }
};

} // namespace

const Dialect& lumenhv_dialect() {
    static const Lumenhv d;
    return d;
}

} // namespace sim
