#include "eventlistener.h"

#include <QCoreApplication>
#include <QMutexLocker>

#include "ZEVAHVLink.h"
#include "eventsink.h"
#include "listenerpausegate.h"
#include "qsysteminterface.h"

namespace {

QString itemName(const IDValue_t &event)
{
    const char *p = event.Item;
    int n = 0;
    while (n < ZEVAHV_EVENT_ITEM_SIZE && p[n] != '\0')
        ++n;
    return QString::fromLocal8Bit(p, n);
}

void deliver(ZEVAHVEventSink *sink, QSystemInterface *sys, const IDValue_t *events, unsigned count)
{
    bool isFirst = true;
    for (unsigned i = 0; i < count; ++i) {
        QCoreApplication::processEvents();
        const bool isLast = (i == count - 1);
        const IDValue_t &event = events[i];
        switch (event.Type) {
        case ZEVAHV_EVENT_PARAMETER:
            sink->reportValue(sys, event.BoardIndex, event.ChannelIndex, itemName(event), event,
                              isFirst, isLast);
            isFirst = false;
            break;
        case ZEVAHV_EVENT_LIVEINSERTION:
        case ZEVAHV_EVENT_KEEPALIVE:
            isFirst = false;
            break;
        default:
            break;
        }
    }
}

} // namespace

void runEventListener(QSystemInterface *sys)
{
    if (!sys)
        return;
    const int sock = sys->socket();
    ListenerPauseGate::Ticket ticket(ListenerPauseGate::instance());

    for (;;) {
        ticket.checkpoint([sys] { return sys->isClosing(); });
        if (sys->isClosing())
            return;

        ZEVAHV_SYSTEMSTATUS_t status{};
        IDValue_t *events = nullptr;
        unsigned count = 0;
        const int rc = ZEVAHV_GetEventData(sock, &status, &events, &count);
        if (rc != 0) {
            ZEVAHV_FreeEventData(&events);
            {
                QMutexLocker lock(&sys->eventMutex());
                sys->setEventsEnabledLocked(false);
            }
            if (!sys->isClosing())
                if (ZEVAHVEventSink *sink = ZEVAHVEventSink::current())
                    sink->reportLost(sys, 0);
            return;
        }

        sys->noteEventBatch();
        bool enabled;
        {
            QMutexLocker lock(&sys->eventMutex());
            enabled = sys->eventsEnabledLocked();
        }
        if (!enabled) {
            ZEVAHV_FreeEventData(&events);  // events before the connect ends are dropped
            continue;
        }
        ZEVAHVEventSink *sink = ZEVAHVEventSink::current();
        if (!sink) {
            ZEVAHV_FreeEventData(&events);
            return;
        }
        sink->reportStatus(sys, status);
        if (events)
            deliver(sink, sys, events, count);
        ZEVAHV_FreeEventData(&events);
    }
}
