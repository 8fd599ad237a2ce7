#ifndef IDENTITYMATCH_H
#define IDENTITYMATCH_H

#include <QString>

// How an event connection is related to a system.
namespace ZEVAHVIdentity {

// The identification text at the start of `bytes` (`size` bytes looked at):
// the bytes up to the first zero byte, or all of them when there is none.
// `consumed` receives how many bytes belong to it (its terminator included).
QString identificationText(const char *bytes, int size, int *consumed);

// True when a connection with this identity belongs to the system opened
// with `connectionArgument`.  Letter case does not matter.  A peer known
// only by its address (not the local host) also matches the argument's host
// part, the text before any ":port" suffix or "_" field.  An empty
// argument or identity never matches.
bool matches(const QString &identity, const QString &connectionArgument, bool byPeerAddress);

} // namespace ZEVAHVIdentity

#endif // IDENTITYMATCH_H
