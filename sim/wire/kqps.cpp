// The KQPS line language: "WORD:?" reads, "WORD:value" writes, a bare
// "WORD" runs a command. A read is answered "#WORD:value" (the word up to
// its own first ':', so "MRT:1:?" gets "#MRT:<value>"), a write or a command
// "#AK"; a refusal "#NAK:<KEYWORD>", which holds neither "#AK" nor the word.
#include "wire/pieces.h"

namespace sim {

namespace {

using namespace pieces;

class Kqps : public Dialect {
public:
    const char* name() const override { return "kqps"; }

    ParsedLine parse(std::string_view line) const override {
        ParsedLine out;
        if (line.empty()) return out;
        out.answered = true;
        Command& c = out.command;
        if (line.size() >= 2 && line.substr(line.size() - 2) == ":?") {
            c.verb = Verb::Mon;
            c.parameter = std::string(line.substr(0, line.size() - 2));
        } else if (auto colon = line.rfind(':'); colon != std::string_view::npos) {
            c.verb = Verb::Set;
            c.parameter = std::string(line.substr(0, colon));
            c.value = std::string(line.substr(colon + 1));
        } else {
            c.verb = Verb::Set; // a bare command
            c.parameter = std::string(line);
        }
        if (c.parameter.empty()) out.refusal = Refusal::Par;
        return out;
    }

    std::string ok(const Command& cmd, const std::optional<std::string>& value) const override {
        if (cmd.verb != Verb::Mon) return "#AK\r\n";
        std::string word = cmd.parameter.substr(0, cmd.parameter.find(':'));
        return "#" + word + ":" + value.value_or("") + "\r\n";
    }
    std::string refusal(const Command&, Refusal r) const override {
        return std::string("#NAK:") + refusal_word(r) + "\r\n";
    }

    bool misdirects() const override { return true; }
    std::optional<std::string> misdirected(const std::string& reply) const override {
        // Another word's echo: "#XMRV:..." answers nobody's "MRV:?", "#XAK"
        // acknowledges nothing.
        if (reply.empty() || reply[0] != '#') return std::nullopt;
        return "#X" + reply.substr(1);
    }

    const char* help() const override {
        return R"(  WORD:?          ->  #WORD:<value>   (MRT:1:? -> #MRT:<value>)
  WORD:<value>    ->  #AK             (a write; any decimal form, "%f" too;
                                       a switch as its text or as 1/0)
  WORD            ->  #AK             (a bare command: MON, MOFF, MRESET)
  Refusals: #NAK:<KEYWORD>, holding neither "#AK" nor the word asked.
)";
    }
};

} // namespace

const Dialect& kqps_dialect() {
    static const Kqps d;
    return d;
}

} // namespace sim
