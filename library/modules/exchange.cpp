// The operations every family uses on its module: monitor a value, set one,
// ask for a description.  Each builds its line in the family's dialect
// first, holds the link lock only for the exchange itself, and checks the
// reply last.  Also the rows of an open module: lookup and adding.
#include <atomic>
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

namespace {

// The first of the rows (indices into rows, in order) that a name finds:
// by its whole name, or else by the name as the lists give it.
template <typename Indices>
int find_among(const std::vector<Row> &rows, const Indices &indices, std::string_view name) {
    for (auto i : indices)
        if (name == rows[static_cast<std::size_t>(i)].name) return static_cast<int>(i);
    if (name.size() != kListedNameLength) return -1;
    for (auto i : indices)
        if (std::string_view(rows[static_cast<std::size_t>(i)].name).substr(0, kListedNameLength) ==
            name)
            return static_cast<int>(i);
    return -1;
}

// The indices first..last-1.
struct IndexRange {
    int first, last;
    struct It {
        int i;
        int operator*() const { return i; }
        It &operator++() { return ++i, *this; }
        bool operator!=(const It &o) const { return i != o.i; }
    };
    It begin() const { return {first}; }
    It end() const { return {last}; }
};

}  // namespace

int Module::find_board_row(std::string_view name) const {
    return find_among(rows, IndexRange{0, board_row_count}, name);
}

int Module::find_channel_row(std::string_view name, int channel) const {
    if (channel < 0 || channel >= static_cast<int>(channel_rows.size())) return -1;
    return find_among(rows, channel_rows[static_cast<std::size_t>(channel)], name);
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

namespace {
std::atomic<bool> g_open_pauses{true};
}  // namespace

void pause_ms(int ms) {
    if (ms > 0 && g_open_pauses.load(std::memory_order_relaxed))
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void set_open_pauses(bool on) { g_open_pauses.store(on, std::memory_order_relaxed); }

}  // namespace zevahv::modules
