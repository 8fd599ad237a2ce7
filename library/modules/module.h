// One open module: the slot record of a module family, and the helpers a
// family hook may call on it (exchanges with the module, row lookup).
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "modules/args.h"
#include "modules/family.h"
#include "modules/row.h"
#include "polling/poll_service.h"

namespace zevahv::modules {

class Link;

struct Module {
    const FamilyDesc *desc = nullptr;
    int index = -1;                   // slot index in the family's table
    bool in_use = false;

    LinkArgs args;                    // what the connection argument said
    std::shared_ptr<Link> link;

    // Identity read at open.
    std::string model;
    int channels = 0;
    std::uint8_t fw_major = 0;
    std::uint8_t fw_minor = 0;
    std::uint16_t serial_number = 0;
    unsigned family_flags = 0;        // free for the family's hooks

    // Rows copied at open: board rows first.
    std::vector<Row> rows;
    int board_row_count = 0;
    // For each channel the indices into rows of the rows that apply to it.
    std::vector<std::vector<std::uint16_t>> channel_rows;

    // Current-monitor range per channel: 1 = low, 0 = high (the state after
    // open).  Written by whichever thread last read or wrote the range.
    std::array<std::atomic<std::uint8_t>, kMaxChannels> range_low{};

    // Subscriptions, polling thread and event connection.
    polling::PollService poll;

    // Row lookup by client name (case-sensitive): the name itself, or the
    // name as the 10-byte name lists give it (a name longer than 9
    // characters is listed cut); -1 when absent.  Among the board rows, or
    // the rows of one channel (a self-describing module's channels may each
    // describe a parameter of the same name differently).
    int find_board_row(std::string_view name) const;
    int find_channel_row(std::string_view name, int channel) const;
    bool is_board_row(int index) const { return index < board_row_count; }
};

// Exchanges with the module.  Both return an error number: 0 success;
// 1..5 the module refused (command, channel, parameter, value, local
// control); -1 an unexpected or garbled reply; 2 write failed; 3 read
// failed; 29 nothing (or nothing whole) received.
//
// monitor: channel -1 for a board parameter, a channel number, or the
// channel count for all channels at once.  *value receives the value text.
int monitor(Module &m, std::string_view mnemonic, int channel, std::string *value);
// set: value_text null for the switch-like words that carry no value.
int set(Module &m, std::string_view mnemonic, int channel, const char *value_text);
// A description request of the self-describing modules (INFO).
int info(Module &m, std::string_view mnemonic, int channel, std::string *value);

// Adds a copied row: board rows before any channel row; returns its index,
// or -1 when the slot holds max_rows rows already.
int add_board_row(Module &m, const Row &row);
int add_channel_row(Module &m, const Row &row);       // applies to every channel
int add_row_for_channel(Module &m, const Row &row, int channel);

// The standard identification with the family's words (FamilyDesc::ident):
// the model text (which must contain the family's model word), the channel
// count unless the family fixes it, the firmware release and the serial
// number.  0, or -1 when a read fails or an answer is not what it must be.
int standard_identify(Module &m);

// A pause between steps of an open (the module needs time after some
// commands).
void pause_ms(int ms);
// Whether those pauses are made (they are, unless a test of the library's
// own objects turns them off: a simulator needs no time, and a test that
// opens a module a thousand times cannot wait for it).  Not exported.
void set_open_pauses(bool on);

}  // namespace zevahv::modules
