// The line language of the KQPS one-output supplies: a read is the mnemonic
// and ":?", a write the mnemonic and ":" and the value, a command the bare
// mnemonic; a read is answered by "#" and the mnemonic (up to its first
// ':') with the value after the reply's first ':', a write or command by
// "#AK".  No board address, no channel.
//   "MST:?\r\n"  "#MST:5\r\n"     "MRT:1:?\r\n"  "#MRT:1:41.5\r\n"
//   "MWVR:12.500000\r\n"  "#AK\r\n"     "MRESET\r\n"  "#AK\r\n"
#include "modules/dialects/dialect.h"

namespace zevahv::modules::dialects {

namespace {

bool any_board(int) { return true; }  // the address is not written

bool build(int, Verb verb, std::string_view mnemonic, int, const char *value, std::string *out) {
    if (verb == Verb::Info) return false;
    std::string s(mnemonic);
    if (verb == Verb::Monitor) {
        s += ":?";
    } else if (value != nullptr) {
        s += ':';
        s += value;
    }
    s += "\r\n";
    if (s.size() > kLineSize - 1) return false;
    *out = std::move(s);
    return true;
}

int parse_value(int, std::string_view mnemonic, std::string_view reply, std::string *value) {
    std::string key = "#";
    key += mnemonic.substr(0, mnemonic.find(':'));
    if (reply.find(key) == std::string_view::npos) return -1;
    if (reply.empty() || reply.back() != '\n') return -1;
    std::string_view line = reply;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    const std::size_t c = line.find(':');
    if (c == std::string_view::npos) return -1;
    *value = std::string(line.substr(c + 1));
    return 0;
}

int check_set(int, std::string_view reply) {
    return reply.find("#AK") == std::string_view::npos ? -1 : 0;
}

// The supplies answer a refused command with no word that says why.
int classify_refusal(std::string_view) { return -1; }

}  // namespace

const Dialect kKqps = {"kqps", any_board, build, parse_value, check_set, classify_refusal};

}  // namespace zevahv::modules::dialects
