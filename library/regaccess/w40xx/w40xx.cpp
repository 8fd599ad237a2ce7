// W40XX VME high-voltage boards (system type 5).  A board carries no table
// in the library: it describes its parameters in its descriptor area, which
// the open reads and turns into rows, together with the masks that say
// which rows apply to the board and to each channel.
//
// Register map (byte offsets from the base address, 16-bit registers):
//   0x0000 + r            board parameter with offset r
//   (n + 1) x 0x80 + r    parameter with offset r of channel n
//   0x2000 + r            command r (a 1 written runs it)
//   0x4000-0x43FF         descriptor area (w40xx/descriptors.h)
//   0x4400 + 4k           mask of entry k, low half first (0 the board,
//                         k >= 1 channel k - 1): bit j = descriptor j applies
//   0x8100                number of channels
//   0x8102-0x8115         description, 20 characters, low byte first
//   0x8116-0x811D         model name, 8 characters, low byte first
//   0x811E                serial number
//   0x8120                firmware release (low byte)
#include <array>

#include "regaccess/w40xx/w40xx.h"
#include "regaccess/w40xx/descriptors.h"

namespace zevahv::regaccess::w40xx {

namespace {

constexpr unsigned kChannelBlock = 0x80;
constexpr unsigned kCommandArea = 0x2000;
constexpr unsigned kMasks = 0x4400;
constexpr unsigned kChannelCount = 0x8100;
constexpr unsigned kDescription = 0x8102;
constexpr unsigned kDescriptionSize = 20;
constexpr unsigned kModelName = 0x8116;
constexpr unsigned kModelNameSize = 8;
constexpr unsigned kSerial = 0x811E;
constexpr unsigned kFirmware = 0x8120;

unsigned address(const Row &row, int channel) {
    if (row.command) return static_cast<unsigned>(static_cast<int>(kCommandArea) + row.offset);
    if (channel < 0) return static_cast<unsigned>(row.offset);
    return static_cast<unsigned>((channel + 1) * static_cast<int>(kChannelBlock) + row.offset);
}

// A text packed two characters per register, low byte first; it ends at
// the first NUL, and characters that are not printable become '?'.
std::string read_text(const Device &d, unsigned addr, unsigned size) {
    std::string s;
    for (unsigned i = 0; i < size; i += 2) {
        std::uint16_t v = 0;
        if (d.comm.read16(d.handle, addr + i, &v) != 0) break;
        for (unsigned char c : {static_cast<unsigned char>(v & 0xFF), static_cast<unsigned char>(v >> 8)}) {
            if (c == 0) return s;
            s += c >= ' ' && c <= '~' ? static_cast<char>(c) : '?';
        }
    }
    return s;
}

int open_board(Device &d) {
    std::array<std::uint8_t, kAreaSize> area{};
    for (unsigned i = 0; i < kAreaSize; i += 2) {
        std::uint16_t v = 0;
        if (d.comm.read16(d.handle, kAreaAddress + i, &v) != 0) return -1;
        area[i] = static_cast<std::uint8_t>(v & 0xFF);
        area[i + 1] = static_cast<std::uint8_t>(v >> 8);
    }
    const std::vector<Descriptor> descriptors = parse_descriptor_area(area);

    std::uint16_t channels = 0;
    if (d.comm.read16(d.handle, kChannelCount, &channels) != 0) return -1;
    // More channels than the register map can hold: not a board we can serve.
    if (channels > kMaxChannels) return -1;
    d.channels = channels;

    // The masks: an entry that cannot be read gets no rows.
    std::vector<std::uint32_t> masks(static_cast<std::size_t>(channels) + 1, 0);
    for (std::size_t k = 0; k < masks.size(); ++k) {
        std::uint32_t m = 0;
        std::uint16_t lo = 0, hi = 0;
        const unsigned a = kMasks + 4 * static_cast<unsigned>(k);
        if (d.comm.read16(d.handle, a, &lo) == 0 && d.comm.read16(d.handle, a + 2, &hi) == 0)
            m = lo | static_cast<std::uint32_t>(hi) << 16;
        masks[k] = m;
    }
    for (const Descriptor &e : descriptors) d.rows.push_back(e.row);
    for (std::size_t i = 0; i < d.rows.size(); ++i)
        if (d.rows[i].command) d.command_rows.push_back(static_cast<int>(i));
    d.board_rows = applicable_rows(masks[0], descriptors, true);
    d.channel_rows.resize(channels);
    for (int n = 0; n < channels; ++n)
        d.channel_rows[static_cast<std::size_t>(n)] =
            applicable_rows(masks[static_cast<std::size_t>(n) + 1], descriptors, false);

    std::uint16_t serial = 0, firmware = 0;
    if (d.comm.read16(d.handle, kSerial, &serial) != 0) return -1;
    if (d.comm.read16(d.handle, kFirmware, &firmware) != 0) return -1;
    d.serial = serial;
    d.fw_minor = static_cast<std::uint8_t>(firmware & 0xFF);
    d.fw_major = 0;
    d.model = read_text(d, kModelName, kModelNameSize);
    d.description = read_text(d, kDescription, kDescriptionSize);
    return 0;
}

OpenCount open_count;

}  // namespace

const RegFamily family = {
    .name = "W40XX",
    .open = open_board,
    .address = address,
    .required_entries = {},
    .failed_write = ZEVAHV_ERR_READ,
    .echo_written_value = true,
    .count = &open_count,
};

}  // namespace zevahv::regaccess::w40xx
