// The system description of a mainframe: the parameter descriptors and
// which of them belong to each board and channel, as "GETSYSINFO" reports
// them.  Parameter calls find names, properties and value conversions here,
// and the event reader converts values with it.
//
// A description is immutable once parsed.  The connection holds the current
// one through a shared pointer and replaces it whole when the mainframe is
// asked again, so a reader that took a reference keeps a consistent
// description for as long as it needs one.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "mainframe/wire.h"

namespace zevahv::mainframe {

struct ParamDescriptor {
    char name[10] = {};      // NUL-terminated (at most 9 characters)
    std::uint16_t type = 0;  // parameter type code
    bool read_write = false;
    bool is_signed = false;
    std::int32_t min = 0, max = 0;
    char on_text[8] = {}, off_text[8] = {};  // two-state parameters only
    std::int16_t decimals = 0;
    std::uint16_t scale = 0;
    std::uint16_t unit = 0;
    std::int16_t exponent = 0;
    std::uint16_t further = 0;
};

struct ChannelParams {
    std::vector<std::uint16_t> params;  // indices into the descriptor table
};

struct BoardDescription {
    std::uint16_t slot = 0;
    std::vector<std::uint16_t> params;  // board-level parameters
    std::vector<ChannelParams> channels;
};

struct SystemDescription {
    std::vector<ParamDescriptor> descriptors;
    std::vector<BoardDescription> boards;
    // Tells descriptions apart for as long as the process runs (an address
    // may be reused by a later one; a serial is not).
    std::uint64_t serial = 0;

    const BoardDescription *board(unsigned slot) const;
    // The descriptor called name among the indices, or null.
    const ParamDescriptor *find(const std::vector<std::uint16_t> &indices,
                                std::string_view name) const;
};

using DescriptionRef = std::shared_ptr<const SystemDescription>;

// Size of one descriptor on the wire.
constexpr std::size_t kDescriptorSize = 32;

// Parses the data of a "GETSYSINFO" reply:
//   count(2) ':' count x 32-byte descriptor
//   ':' boards(2) slot(2) x boards
//   ':' channels(2) x boards
//   per board: ':' n(2) ':' n x index(2) ':'  then per channel: n(2) ':' n x index(2) ':'
// All numbers big-endian.  False when a count runs past the data, a
// separator is missing or an index names no descriptor.
bool parse_system_info(Bytes data, SystemDescription *out);

// Decodes one 32-byte descriptor.
ParamDescriptor parse_descriptor(const unsigned char *p);

}  // namespace zevahv::mainframe
