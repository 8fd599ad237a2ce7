// The two operations every family uses on its module: monitor a value and
// set one.  Each builds its line first, holds the link lock only for the
// exchange itself, and checks the reply last.
#include <chrono>
#include <cstring>
#include <thread>

#include "modules/link.h"
#include "modules/module.h"
#include "modules/protocol.h"

namespace zevahv::modules {

namespace {

int run(Module &m, const std::string &command, std::string *reply) {
    if (!m.link) return 2;
    return m.link->exchange(command, reply);
}

}  // namespace

int monitor(Module &m, std::string_view mnemonic, int channel, std::string *value) {
    const FamilyDesc &d = *m.desc;
    std::string cmd, reply;
    if (d.form == CommandForm::Kqps) {
        // A one-output supply is never asked for its channel count.
        if (mnemonic == "BDNCH") {
            value->assign(1, '1');
            return 0;
        }
        if (!protocol::build_kqps_read(mnemonic, &cmd)) return -1;
        if (int e = run(m, cmd, &reply)) return e;
        return protocol::parse_kqps_reply(mnemonic, reply, value);
    }
    if (!protocol::build_command(d.form, m.args.board, protocol::Verb::Monitor, mnemonic,
                                 channel, nullptr, &cmd))
        return -1;
    if (int e = run(m, cmd, &reply)) return e;
    return protocol::parse_monitor_reply(d.form, m.args.board, reply, value);
}

int info(Module &m, std::string_view mnemonic, int channel, std::string *value) {
    const FamilyDesc &d = *m.desc;
    std::string cmd, reply;
    if (!protocol::build_command(d.form, m.args.board, protocol::Verb::Info, mnemonic, channel,
                                 nullptr, &cmd))
        return -1;
    if (int e = run(m, cmd, &reply)) return e;
    return protocol::parse_monitor_reply(d.form, m.args.board, reply, value);
}

int set(Module &m, std::string_view mnemonic, int channel, const char *value_text) {
    const FamilyDesc &d = *m.desc;
    std::string cmd, reply;
    if (d.form == CommandForm::Kqps) {
        bool ok = value_text ? protocol::build_kqps_write(mnemonic, value_text, &cmd)
                             : protocol::build_kqps_exec(mnemonic, &cmd);
        if (!ok) return -1;
        if (int e = run(m, cmd, &reply)) return e;
        return protocol::check_kqps_ack(reply);
    }
    if (!protocol::build_command(d.form, m.args.board, protocol::Verb::Set, mnemonic, channel,
                                 value_text, &cmd))
        return -1;
    if (int e = run(m, cmd, &reply)) return e;
    return protocol::check_set_reply(d.form, m.args.board, reply);
}

int Module::find_row(std::string_view name) const {
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (name == rows[i].name) return static_cast<int>(i);
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
