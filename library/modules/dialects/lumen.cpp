// The dialect of the self-describing LUMENHV modules: addressed ("$BD:3,")
// with the address in plain decimal when the connection argument gives one,
// unaddressed otherwise (-1); besides MON and SET the verb INFO reads a
// parameter's description.  Replies come in either form.
//   "$BD:3,CMD:INFO,PAR:VSET\r\n"    "#BD:3,CMD:OK,VAL:0;2;0;8000;1;;volt;;;\r\n"
//   "$CMD:MON,PAR:PARLIST\r\n"       "#CMD:OK,VAL:VSet;VMon\r\n"
#include <charconv>

#include "modules/dialects/text_lines.h"

namespace zevahv::modules::dialects {

namespace {

bool valid_board(int board) { return board >= -1; }

bool build(int board, Verb verb, std::string_view mnemonic, int channel, const char *value,
           std::string *out) {
    if (!valid_board(board)) return false;
    if (board < 0) return text_lines::build("$", verb, mnemonic, channel, value, out);
    char head[24] = "$BD:";
    const auto r = std::to_chars(head + 4, head + sizeof head - 1, board);
    *r.ptr = ',';
    return text_lines::build({head, static_cast<std::size_t>(r.ptr + 1 - head)}, verb, mnemonic,
                             channel, value, out);
}

// Either reply form, whichever the module used; the value may be empty (a
// module with no board parameters lists none).
int either_value(std::string_view line, int board, std::string *value) {
    if (line.substr(0, 4) == "#BD:") return text_lines::addressed_value_any_width(line, board, value);
    return text_lines::unaddressed_value_or_empty(line, board, value);
}

}  // namespace

const Dialect kLumen = text_lines::text_dialect("lumen", valid_board, build,
                                                text_lines::parse_value<either_value>,
                                                text_lines::check_set_naming_board);

}  // namespace zevahv::modules::dialects
