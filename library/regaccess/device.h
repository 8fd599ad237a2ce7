// One open register-access device (a W40XX board or an RD40XX unit): the
// loaded communication library and the device handle it gave, what the
// connection argument said, the identity and the parameter rows read at
// open, and which rows apply to the board and to each channel.
//
// A family plugs in with a RegFamily: its open steps after the device is
// open, where a row's register lies, and the few answers in which the two
// families differ.  Everything else (lookups, conversions, reads, writes,
// lists, properties, polling reads) is written once for both.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "frame/backend.h"
#include "regaccess/comm_args.h"
#include "regaccess/comm_library.h"
#include "regaccess/polling.h"
#include "regaccess/row.h"

namespace zevahv::regaccess {

// Devices of each register-access family that may be open at once.
inline constexpr int kSlots = 32;
// Most channels a device can have (the W40XX register map holds 63).
inline constexpr int kMaxChannels = 63;

struct Device;

// How many devices of one family are open (at most kSlots).
struct OpenCount {
    std::mutex mutex;
    int open = 0;
};

struct RegFamily {
    const char *name;                 // "W40XX"
    // After the device is open: reads identity and rows.  0, or -1 to fail
    // the open (the device is then closed and the library released).
    int (*open)(Device &d);
    // The register of a row for a channel (-1: the board).
    unsigned (*address)(const Row &row, int channel);
    // Entry points the open needs besides the open call itself.
    std::array<const char *, 4> required_entries;
    // The result of a failed write (and of the read of a read-modify-write).
    int failed_write;
    // Whether a numeric write hands the value it stood for back to the
    // caller's element.
    bool echo_written_value;
    OpenCount *count;
};

struct Device {
    const RegFamily *family = nullptr;

    CommLibrary comm;
    int handle = -1;                  // the communication library's device handle
    CommArgs args;

    // Identity.
    std::string model;
    std::string description;
    std::uint16_t serial = 0;
    std::uint8_t fw_major = 0;
    std::uint8_t fw_minor = 0;

    int channels = 0;
    std::vector<Row> rows;                        // at most 32
    std::vector<int> board_rows;                  // rows that apply to the board
    std::vector<std::vector<int>> channel_rows;   // per channel
    std::vector<int> command_rows;

    // Built from the above once the family's open is done (index_rows), for
    // lookups that cost a few compares: each row's name as two numbers, and
    // the rows of the board and of each channel as bit masks.
    struct NameKey {
        std::uint64_t head = 0, tail = 0;
        bool operator==(const NameKey &) const = default;
    };
    std::vector<NameKey> row_keys;
    std::uint32_t board_mask = 0;
    std::vector<std::uint32_t> channel_masks;
    void index_rows();

    // Orders the read-modify-write of a register that several two-state
    // rows share (an RD40XX control register): two threads switching
    // different bits of one channel must not undo each other.
    std::mutex shared_bits;

    // Current-monitor range per channel (1 = low, 0 = high), written by
    // whichever thread last read or wrote the range.
    std::array<std::atomic<std::uint8_t>, kMaxChannels> range_low{};

    // Row by client name (exact); -1 when absent.
    int find_row(std::string_view name) const;
    bool on_board(int row) const;
    bool on_channel(int row, int channel) const;

    unsigned address(const Row &row, int channel) const { return family->address(row, channel); }
    // One value's raw content (two registers for wide rows).  0 or the
    // communication library's failure.
    int read_raw(const Row &row, int channel, std::uint32_t *raw) const;
    int write_raw(const Row &row, int channel, std::uint32_t raw) const;

    // Subscriptions, the polling thread and its event connection; the plan
    // of the polling reads belongs to the polling thread.
    polling::PollService poll;
    ReadPlan poll_plan;

    // The identification text of an event connection:
    // "<ip>_<node>_<base>" for TCP/IP, "<link>_<node>_<base>" otherwise.
    std::string event_ident() const;
};

// Opening and closing a device of a family (the frame's open and close):
// the device is the system's backend context.
int open_device(const RegFamily &f, const OpenRequest &req, Device **out);
void close_device(Device *d);

}  // namespace zevahv::regaccess
