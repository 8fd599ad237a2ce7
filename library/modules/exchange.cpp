// The operations every family uses on its module: monitor a value, set one,
// ask for a description.  Each builds its line in the family's dialect
// first, holds the link lock only for the exchange itself, and checks the
// reply last.  Also the rows of an open module: lookup and adding.
#include <chrono>
#include <thread>

#include "modules/link.h"
#include "modules/module.h"

namespace zevahv::modules {

namespace {

int run(Module &m, const std::string &command, std::string *reply) {
    if (!m.link) return 2;
    return m.link->exchange(command, reply);
}

int read_text(Module &m, Verb verb, std::string_view mnemonic, int channel,
              std::string *value) {
    const Dialect &d = *m.desc->dialect;
    std::string cmd, reply;
    if (!d.build(m.args.board, verb, mnemonic, channel, nullptr, &cmd)) return -1;
    if (int e = run(m, cmd, &reply)) return e;
    return d.parse_value(m.args.board, mnemonic, reply, value);
}

}  // namespace

int monitor(Module &m, std::string_view mnemonic, int channel, std::string *value) {
    return read_text(m, Verb::Monitor, mnemonic, channel, value);
}

int info(Module &m, std::string_view mnemonic, int channel, std::string *value) {
    return read_text(m, Verb::Info, mnemonic, channel, value);
}

int set(Module &m, std::string_view mnemonic, int channel, const char *value_text) {
    const Dialect &d = *m.desc->dialect;
    std::string cmd, reply;
    if (!d.build(m.args.board, Verb::Set, mnemonic, channel, value_text, &cmd)) return -1;
    if (int e = run(m, cmd, &reply)) return e;
    return d.check_set(m.args.board, reply);
}

int Module::find_row(std::string_view name) const {
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (name == rows[i].name) return static_cast<int>(i);
    // A name as the lists give it: cut to the list field.
    if (name.size() == kListedNameLength) {
        for (std::size_t i = 0; i < rows.size(); ++i)
            if (std::string_view(rows[i].name).substr(0, kListedNameLength) == name)
                return static_cast<int>(i);
    }
    return -1;
}

bool Module::row_on_channel(int index, int channel) const {
    if (channel < 0 || channel >= static_cast<int>(channel_rows.size())) return false;
    for (auto r : channel_rows[channel])
        if (r == index) return true;
    return false;
}

namespace {

int append_row(Module &m, const Row &row) {
    if (static_cast<int>(m.rows.size()) >= m.desc->max_rows) return -1;
    m.rows.push_back(row);
    return static_cast<int>(m.rows.size()) - 1;
}

}  // namespace

int add_board_row(Module &m, const Row &row) {
    // Board rows come first; once a channel row is in, no board row follows.
    if (static_cast<int>(m.rows.size()) != m.board_row_count) return -1;
    int i = append_row(m, row);
    if (i >= 0) m.board_row_count = i + 1;
    return i;
}

int add_channel_row(Module &m, const Row &row) {
    int i = append_row(m, row);
    if (i < 0) return -1;
    for (auto &list : m.channel_rows) list.push_back(static_cast<std::uint16_t>(i));
    return i;
}

int add_row_for_channel(Module &m, const Row &row, int channel) {
    if (channel < 0 || channel >= static_cast<int>(m.channel_rows.size())) return -1;
    int i = append_row(m, row);
    if (i >= 0) m.channel_rows[channel].push_back(static_cast<std::uint16_t>(i));
    return i;
}

void pause_ms(int ms) {
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace zevahv::modules
