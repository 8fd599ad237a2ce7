#include "eventwatchdog.h"

#include <chrono>
#include <vector>

#include <QByteArray>
#include <QThread>
#include <QTimer>

#include "ZEVAHVLink.h"
#include "eventsink.h"
#include "qsysteminterface.h"
#include "zevahvnode.h"

namespace {

// Module frames come about twice a second, and a slow serial line adds up
// to about a second of exchanges per cycle: four silent seconds are well
// past a healthy module's longest gap.
std::atomic<int> g_arrivalMs{10000};
std::atomic<int> g_silenceMs{4000};
constexpr int kTickMs = 250;

qint64 nowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// What the probe reads: one readable parameter whose value was read when the
// tree was built.
struct ProbeTarget {
    int handle = -1;
    bool board = true;
    unsigned short slot = 0;
    unsigned short channel = 0;
    QByteArray name;
};

bool readable(const ZEVAHVNode *p)
{
    return p->accessMode() == ZEVAHVNode::ReadOnly || p->accessMode() == ZEVAHVNode::ReadWrite;
}

bool findTarget(const ZEVAHVNode *root, ProbeTarget *out)
{
    if (!root)
        return false;
    for (const ZEVAHVNode *board : root->children()) {
        if (board->kind() != ZEVAHVNode::KindBoard)
            continue;
        for (const ZEVAHVNode *p : board->parameters()) {
            if (readable(p) && p->value().value.isValid()) {
                *out = {p->handle(), true, p->slot(), 0, p->name().toLatin1()};
                return true;
            }
        }
        for (const ZEVAHVNode *channel : board->children()) {
            for (const ZEVAHVNode *p : channel->parameters()) {
                if (readable(p) && p->value().value.isValid() && p->name() != QLatin1String("Name")) {
                    *out = {p->handle(), false, p->slot(), p->channel(), p->name().toLatin1()};
                    return true;
                }
            }
        }
    }
    return false;
}

int readTarget(const ProbeTarget &t)
{
    // Wide enough for any value the library returns, text included.
    std::vector<char> value(ZEVAHV_EVENT_VALUE_SIZE, 0);
    if (t.board)
        return ZEVAHV_GetBdParam(t.handle, 1, &t.slot, t.name.constData(), value.data());
    return ZEVAHV_GetChParam(t.handle, t.slot, t.name.constData(), 1, &t.channel, value.data());
}

} // namespace

QEventWatchdog::QEventWatchdog(QSystemInterface *sys) : QObject(nullptr), m_sys(sys), m_timer(new QTimer(this))
{
    m_timer->setInterval(kTickMs);
    connect(m_timer, &QTimer::timeout, this, &QEventWatchdog::tick);
}

QEventWatchdog::~QEventWatchdog()
{
    stop();
}

void QEventWatchdog::setTimes(int arrivalMs, int silenceMs)
{
    g_arrivalMs = arrivalMs;
    g_silenceMs = silenceMs;
}

int QEventWatchdog::arrivalMs() { return g_arrivalMs.load(); }
int QEventWatchdog::silenceMs() { return g_silenceMs.load(); }

bool QEventWatchdog::isLinkFailure(int result)
{
    switch (result) {
    case ZEVAHV_ERR_SYSERR:
    case ZEVAHV_ERR_WRITE:
    case ZEVAHV_ERR_READ:
    case ZEVAHV_ERR_TIMEERR:
    case ZEVAHV_ERR_DOWN:
    case ZEVAHV_ERR_SOCKETERROR:
    case ZEVAHV_ERR_COMMUNICATIONERROR:
    case ZEVAHV_ERR_NOTCONNECTED:
        return true;
    default:
        return false;
    }
}

void QEventWatchdog::arm()
{
    m_arrivalMs = g_arrivalMs.load();
    m_silenceMs = g_silenceMs.load();
    m_armedMs = nowMs();
    m_lastBatchMs = -1;
    m_reported = false;
    m_timer->start();
}

void QEventWatchdog::stop()
{
    m_timer->stop();
    joinProbe();
}

bool QEventWatchdog::isArmed() const
{
    return m_timer->isActive();
}

void QEventWatchdog::noteBatch()
{
    m_lastBatchMs.store(nowMs());
}

void QEventWatchdog::joinProbe()
{
    if (!m_probe)
        return;
    m_probe->wait();
    delete m_probe;
    m_probe = nullptr;
}

void QEventWatchdog::report(int code)
{
    m_reported = true;
    m_timer->stop();
    if (ZEVAHVEventSink *sink = ZEVAHVEventSink::current())
        sink->reportLost(m_sys, code);
}

void QEventWatchdog::startProbe()
{
    ProbeTarget target;
    if (!findTarget(m_sys->root(), &target))
        return;  // nothing to read back: leave it to the library's wait
    m_probeResult = 0;
    m_probe = QThread::create([this, target] { m_probeResult = readTarget(target); });
    m_probe->setObjectName(QStringLiteral("eventProbe"));
    m_probe->start();
}

void QEventWatchdog::tick()
{
    if (m_reported || m_sys->isClosing() || !m_sys->root() ||
        m_sys->root()->connectionState() == ZEVAHVNode::ConnectionLost) {
        m_timer->stop();
        return;
    }
    const qint64 now = nowMs();
    if (!m_sys->hasEventConnection()) {
        if (now - m_armedMs >= m_arrivalMs)
            report(1);
        return;
    }
    if (m_probe) {
        if (!m_probe->isFinished())
            return;
        joinProbe();
        const qint64 last = m_lastBatchMs.load();
        // A batch that came while the probe ran answers the question too.
        if (isLinkFailure(m_probeResult) && (last < 0 || now - last >= m_silenceMs))
            report(0);
        else
            m_armedMs = now;  // silent but answering: look again a period later
        return;
    }
    const qint64 last = m_lastBatchMs.load();
    const qint64 since = last < 0 ? m_armedMs : qMax(last, m_armedMs);
    if (now - since >= m_silenceMs)
        startProbe();
}
