// The unaddressed dialect (RD40XXE, ZBK, W7300): one module per line, so no
// board address in commands or replies.
//   "$CMD:MON,CH:1,PAR:VMON\r\n"      "#CMD:OK,VAL:12.5\r\n"
#include "modules/dialects/text_lines.h"

namespace zevahv::modules::dialects {

namespace {

bool any_board(int) { return true; }  // the address is not written

bool build(int, Verb verb, std::string_view mnemonic, int channel, const char *value,
           std::string *out) {
    if (verb == Verb::Info) return false;
    return text_lines::build("$", verb, mnemonic, channel, value, out);
}

}  // namespace

const Dialect kUnaddressed = text_lines::text_dialect(
    "unaddressed", any_board, build, text_lines::parse_value<text_lines::unaddressed_value>,
    text_lines::check_set_unaddressed);

}  // namespace zevahv::modules::dialects
