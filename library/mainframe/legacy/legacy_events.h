// Reading a legacy mainframe's event message into the 325-byte records of
// the legacy interface:
//   0    the item's kind (0 channel, 1 board, 2 system, 3 a notice)
//   1    the item name as subscribed (64 bytes, NUL-terminated)
//   65   the value as a number (4 bytes: float for numeric parameters,
//        else unsigned)
//   69   the value as text (256 bytes, NUL-terminated)
#pragma once

#include <vector>

#include "mainframe/item_registry.h"
#include "mainframe/legacy/legacy_message.h"

namespace zevahv::mainframe {

constexpr std::size_t kLegacyRecordSize = 325;
constexpr std::size_t kLegacyNameOffset = 1, kLegacyNameSize = 64;
constexpr std::size_t kLegacyNumberOffset = 65;
constexpr std::size_t kLegacyTextOffset = 69, kLegacyTextSize = 256;

// Turns the parsed events into records (appended to out); events whose
// identifier names no subscribed item are left out.
void decode_legacy_events(const std::vector<LegacyEvent> &events,
                          const ItemRegistry::Map &items, std::vector<unsigned char> *out);

// The reader of the legacy entry point: one receive from the socket (the
// client's UDP socket), the sender matched to the connection (conn, or,
// when conn is null, the logged-in legacy mainframe at the sender's
// address), the message decoded with that connection's items.  0 with a
// malloc'd array of records and its count; 1 a message shorter than 28
// bytes; 23 no message in time, an unknown sender, a wrong message or
// nothing subscribed in it; 28 the receive failed.
class Connection;
int read_legacy_event_message(Connection *conn, int sock, char **events, int *count);

}  // namespace zevahv::mainframe
