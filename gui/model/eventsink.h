#ifndef EVENTSINK_H
#define EVENTSINK_H

#include <QString>

#include "ZEVAHVLink.h"

class QSystemInterface;

// Where the model's worker threads (the event server, the event listeners
// and the event watchdogs) report what they learn.  The program's window
// implements it and turns every call into one of its queued signals, so the
// model never needs to know the window.  Implementations must be callable
// from any thread.
class ZEVAHVEventSink
{
public:
    virtual ~ZEVAHVEventSink() = default;

    // The event server could not start.
    virtual void reportServerFailure() = 0;
    // One value of an event batch.
    virtual void reportValue(QSystemInterface *sys, int board, int channel, const QString &item,
                             const IDValue_t &value, bool isFirst, bool isLast) = 0;
    // The system and board status that came with a batch.
    virtual void reportStatus(QSystemInterface *sys, const ZEVAHV_SYSTEMSTATUS_t &status) = 0;
    // The system's events stopped (0), never arrived (1) or failed otherwise.
    virtual void reportLost(QSystemInterface *sys, int errorCode) = 0;

    // The sink of the process, or null when none is installed.
    static ZEVAHVEventSink *current();
    // Installs a sink; null removes it.  A sink removes itself before it
    // goes away.
    static void install(ZEVAHVEventSink *sink);
};

#endif // EVENTSINK_H
