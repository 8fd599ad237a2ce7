// The addressed form: several modules share one line, each answers only
// the lines that carry its two-digit board address, and says who answers.
#include <cstdio>

#include "wire/pieces.h"

namespace sim {

namespace {

using namespace pieces;

std::string head_of(int board) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "#BD:%02d", board % 100);
    return buf;
}

class Addressed : public Dialect {
public:
    const char* name() const override { return "addressed"; }

    ParsedLine parse(std::string_view line) const override {
        ParsedLine out;
        if (!starts_with(line, "$BD:")) return out;
        std::string_view rest = line.substr(4);
        // Two digits on the wire; one to three are read so that a sloppy
        // client is still answered, anything else addresses nobody.
        auto board = small_number(next_piece(rest));
        if (!board) return out;
        out.answered = true;
        out.command.board = *board;
        read_command(rest, line, false, out);
        return out;
    }

    std::string ok(const Command& cmd, const std::optional<std::string>& value) const override {
        return ok_line(head_of(cmd.board), value);
    }
    std::string refusal(const Command& cmd, Refusal r) const override {
        return refusal_line(head_of(cmd.board), r);
    }

    bool misdirects() const override { return true; }
    std::optional<std::string> misdirected(const std::string& reply) const override {
        // The next board's address in place of the own.
        if (reply.size() < 6 || !starts_with(reply, "#BD:") || !all_digits(reply.substr(4, 2)))
            return std::nullopt;
        int board = (reply[4] - '0') * 10 + (reply[5] - '0');
        return head_of(board + 1) + reply.substr(6);
    }

    const char* help() const override {
        return R"(  $BD:nn,CMD:MON,[CH:n,]PAR:WORD            ->  #BD:nn,CMD:OK,VAL:<value>
  $BD:nn,CMD:SET,[CH:n,]PAR:WORD[,VAL:v]    ->  #BD:nn,CMD:OK
  Refusals: #BD:nn,<KEYWORD>:ERR. Lines that do not begin with a readable
  "$BD:nn," address nobody and get no answer; nor does an address that no
  board of --boards has.
)";
    }
};

} // namespace

const Dialect& addressed_dialect() {
    static const Addressed d;
    return d;
}

} // namespace sim
