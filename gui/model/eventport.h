#ifndef EVENTPORT_H
#define EVENTPORT_H

#include <QtGlobal>

// The TCP port on which the program receives event connections.  It starts
// at 4527; the event server raises it while binding when a port is taken.
// Every subscription passes the current value, so the port in use and the
// port announced are the same number.  Safe to use from any thread.
namespace ZEVAHVEventPort {

constexpr quint16 DefaultPort = 4527;
quint16 current();
// Called by the event server once it listens on `port`.
void set(quint16 port);
// Waits until a server has set the port (true) or the time-out passed.
bool waitUntilBound(int timeoutMs);

} // namespace ZEVAHVEventPort

#endif // EVENTPORT_H
