// The addressed dialect (Q3815, Q2906, Q2904, P731X): every command names
// the module's board address in two digits, every reply says which board
// answered.
//   "$BD:00,CMD:MON,CH:2,PAR:VMON\r\n"     "#BD:00,CMD:OK,VAL:0100.2\r\n"
//   "$BD:00,CMD:SET,CH:3,PAR:SHAPE,VAL:2\r\n"   "#BD:00,CMD:OK\r\n"
#include "modules/dialects/text_lines.h"

namespace zevahv::modules::dialects {

namespace {

bool valid_board(int board) { return board >= 0 && board <= 99; }

bool build(int board, Verb verb, std::string_view mnemonic, int channel, const char *value,
           std::string *out) {
    if (!valid_board(board) || verb == Verb::Info) return false;
    const char head[] = {'$', 'B', 'D', ':', char('0' + board / 10), char('0' + board % 10), ','};
    return text_lines::build({head, sizeof head}, verb, mnemonic, channel, value, out);
}

int parse_value(int board, std::string_view, std::string_view reply, std::string *value) {
    std::string_view line;
    if (int e = text_lines::accepted_line(reply, &line)) return e;
    return text_lines::addressed_value(line, board, true, value);
}

int check_set(int board, std::string_view reply) {
    return text_lines::check_set(reply, board, true);
}

}  // namespace

const Dialect kAddressed = {
    .name = "addressed",
    .valid_board = valid_board,
    .build = build,
    .parse_value = parse_value,
    .check_set = check_set,
    .classify_refusal = text_lines::classify_refusal,
};

}  // namespace zevahv::modules::dialects
