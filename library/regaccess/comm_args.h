// The connection argument of the register-access systems, and the link
// code that the communication library's open call takes.
//
//   <link number>_<node>[_<base>]     USB, OPTLINK, USB3, B7301
//   <ip address>_<node>[_<base>]      TCP/IP
//
// The link number is decimal; the node number and the VME base address are
// hexadecimal (an optional "0x" is allowed), the base defaulting to 0.  On
// the B7301 bridge the node is forced to 0, so it may be left out.  The IP
// address is dotted IPv4, optionally with ":port" (never a host name), at
// most 17 characters.  Anything else fails the open: a missing or malformed
// field, a fourth field, a number out of range.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zevahv::regaccess {

// Link codes of the communication library's open call.
enum CommLink : int {
    kCommUsb = 0,
    kCommOptLink = 1,
    kCommB7301 = 2,
    kCommTcp = 6,
    kCommUsb3 = 7,
};

// The communication library's code of a link type code (ZEVAHV_LINK_*), or
// nothing for a link it does not serve.
std::optional<int> comm_link_code(int link_type);

inline constexpr std::size_t kMaxIpText = 17;

struct CommArgs {
    int link_type = 0;        // ZEVAHV_LINK_*
    int comm_link = kCommUsb;
    int link_number = 0;      // all links but TCP/IP
    std::string ip;           // TCP/IP
    unsigned node = 0;
    unsigned base = 0;
};

// Parses the argument for a link type.  False on anything malformed.
bool parse_comm_args(std::string_view arg, int link_type, CommArgs *out);

// True for "a.b.c.d" with each part 0..255, optionally followed by ":port"
// (1..65535).
bool is_dotted_ipv4(std::string_view text);

}  // namespace zevahv::regaccess
