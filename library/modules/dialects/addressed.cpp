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

}  // namespace

const Dialect kAddressed = text_lines::text_dialect(
    "addressed", valid_board, build, text_lines::parse_value<text_lines::addressed_value>,
    text_lines::check_set_naming_board);

}  // namespace zevahv::modules::dialects
