// The LUMENHV self-describing high-voltage modules: the library holds no
// table for them.  At open the module lists its board parameters (PARLIST)
// and, channel by channel, its channel parameters (PARCHLIST), and
// describes each one (INFO); the rows built from those answers then serve
// like any family's.  The command form carries the board address in plain
// decimal when the connection argument gives one ("$BD:3,CMD:..."), and
// none otherwise ("$CMD:..."); so does a TCP argument ("ip" or "ip_board").
#include <string>

#include "modules/family.h"
#include "modules/lumenhv/description.h"
#include "modules/module.h"

namespace zevahv::modules {

namespace {

// Board and channel rows together.
constexpr int kMaxRows = 255;

// The name is the word of a row of the board (channel -1) or the channel.
bool listed_before(const Module &m, std::string_view name, int channel) {
    auto word_of = [&](std::size_t i) { return name == m.rows[i].mnemonic; };
    if (channel < 0) {
        for (int i = 0; i < m.board_row_count; ++i)
            if (word_of(static_cast<std::size_t>(i))) return true;
        return false;
    }
    for (std::uint16_t i : m.channel_rows[static_cast<std::size_t>(channel)])
        if (word_of(i)) return true;
    return false;
}

// One listed parameter described and added (channel -1: a board
// parameter).  A description that does not parse, or a module that does
// not answer, fails the open (-1); a parameter the library cannot carry is
// left out, and so is a name listed twice.
int add_described(Module &m, std::string_view name, int channel) {
    if (!lumenhv::sendable_name(name) || listed_before(m, name, channel)) return 0;
    std::string text;
    if (info(m, name, channel, &text)) return -1;
    lumenhv::Description d;
    if (!lumenhv::parse_description(text, &d)) return -1;
    Row row;
    if (!lumenhv::row_from_description(name, d, &row)) return 0;
    if (channel < 0) return add_board_row(m, row) < 0 ? -1 : 0;
    // Channels that describe a parameter alike share its row: one row, and
    // one all-channels read per polling cycle.
    for (int c = 0; c < channel; ++c) {
        for (std::uint16_t i : m.channel_rows[static_cast<std::size_t>(c)]) {
            if (!(m.rows[i] == row)) continue;
            m.channel_rows[static_cast<std::size_t>(channel)].push_back(i);
            return 0;
        }
    }
    return add_row_for_channel(m, row, channel) < 0 ? -1 : 0;
}

// One list reply (PARLIST for the board, PARCHLIST for a channel), each of
// its names described.  A list that would take the module beyond its rows
// fails the open.
int add_listed(Module &m, const char *list_word, int channel) {
    std::string text;
    if (monitor(m, list_word, channel, &text)) return -1;
    const std::vector<std::string_view> names = lumenhv::parse_name_list(text);
    if (names.size() + m.rows.size() > static_cast<std::size_t>(kMaxRows)) return -1;
    for (std::string_view name : names)
        if (add_described(m, name, channel)) return -1;
    return 0;
}

int build_rows(Module &m) {
    if (add_listed(m, "PARLIST", -1)) return -1;
    for (int ch = 0; ch < m.channels; ++ch)
        if (add_listed(m, "PARCHLIST", ch)) return -1;
    return 0;
}

constexpr FamilyDesc kLumenhv = {
    .name = "LUMENHV",
    .tcp_port = 1470,
    .arg_form = ArgForm::PortSettingsBoard,
    .default_board = -1,
    .tcp_settle_ms = 1000,
    .dialect = &dialects::kLumen,
    .number_format = NumberFormat::Digits,
    .max_rows = kMaxRows,
    .max_channels = kMaxChannels,
    .hooks = {.build_rows = build_rows},
};

}  // namespace

}  // namespace zevahv::modules

namespace zevahv {
extern const FamilyOps lumenhv_ops;
const FamilyOps lumenhv_ops = modules::make_family_ops<modules::kLumenhv>();
}  // namespace zevahv
