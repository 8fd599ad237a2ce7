// The unaddressed dialect (RD40XXE, ZBK, W7300): one module per line, so no
// board address in commands or replies.
//   "$CMD:MON,CH:1,PAR:VMON\r\n"      "#CMD:OK,VAL:12.5\r\n"
#include "modules/dialects/text_lines.h"

namespace zevahv::modules::dialects {

namespace {

bool valid_board(int) { return true; }  // the address is not written

bool build(int, Verb verb, std::string_view mnemonic, int channel, const char *value,
           std::string *out) {
    if (verb == Verb::Info) return false;
    return text_lines::build("$", verb, mnemonic, channel, value, out);
}

int parse_value(int, std::string_view, std::string_view reply, std::string *value) {
    std::string_view line;
    if (int e = text_lines::accepted_line(reply, &line)) return e;
    return text_lines::unaddressed_value(line, value);
}

int check_set(int board, std::string_view reply) {
    return text_lines::check_set(reply, board, false);
}

}  // namespace

const Dialect kUnaddressed = {
    .name = "unaddressed",
    .valid_board = valid_board,
    .build = build,
    .parse_value = parse_value,
    .check_set = check_set,
    .classify_refusal = text_lines::classify_refusal,
};

}  // namespace zevahv::modules::dialects
