#include "recording_sink.h"

#include <algorithm>

#include "qsysteminterface.h"
#include "zevahvnode.h"

RecordingSink::RecordingSink() { ZEVAHVEventSink::install(this); }

RecordingSink::~RecordingSink()
{
    if (ZEVAHVEventSink::current() == this)
        ZEVAHVEventSink::install(nullptr);
}

std::vector<RecordingSink::Lost> RecordingSink::lost() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lost;
}

int RecordingSink::serverFailures() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_serverFailures;
}

void RecordingSink::applyValuesTo(std::vector<QSystemInterface *> systems) { m_apply = std::move(systems); }

void RecordingSink::reportServerFailure()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_serverFailures;
}

void RecordingSink::reportValue(QSystemInterface *sys, int board, int channel, const QString &item,
                                const IDValue_t &value, bool, bool)
{
    const QByteArray bytes(value.Value, ZEVAHV_EVENT_VALUE_SIZE);
    QMetaObject::invokeMethod(
        this,
        [this, sys, board, channel, item, bytes] {
            if (std::find(m_apply.begin(), m_apply.end(), sys) == m_apply.end() || !sys->root())
                return;
            if (ZEVAHVNode *n = sys->root()->findItem(board, channel, item))
                n->setValueFromBytes(bytes.constData(), bytes.size());
        },
        Qt::QueuedConnection);
}

void RecordingSink::reportStatus(QSystemInterface *, const ZEVAHV_SYSTEMSTATUS_t &) {}

void RecordingSink::reportLost(QSystemInterface *sys, int errorCode)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_lost.push_back({sys, errorCode});
}
