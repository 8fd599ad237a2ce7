#ifndef EVENTLISTENER_H
#define EVENTLISTENER_H

class QSystemInterface;

// The body of a system's event listener thread: reads event batches from
// the system's event connection and hands every value to the GUI thread
// through the event sink (the window's queued signals).  Ends when the
// system closes, when no sink is installed, or when reading fails (then the system is
// reported as lost, unless it is closing).  A null system ends at once.
void runEventListener(QSystemInterface *sys);

#endif // EVENTLISTENER_H
