#pragma once
// An event sink for the model's tests: records what the workers report and,
// for the systems it is told to, applies their values to the trees in the
// GUI thread, as the window does for the systems it lists.
#include <QObject>

#include <mutex>
#include <vector>

#include "eventsink.h"

class RecordingSink : public QObject, public ZEVAHVEventSink
{
public:
    RecordingSink();    // installs itself
    ~RecordingSink() override;

    struct Lost {
        QSystemInterface *sys;
        int code;
    };
    std::vector<Lost> lost() const;
    int serverFailures() const;

    // Values of these systems are applied from now on (GUI thread); clear
    // the list before deleting one of them.
    void applyValuesTo(std::vector<QSystemInterface *> systems);

    void reportServerFailure() override;
    void reportValue(QSystemInterface *sys, int board, int channel, const QString &item,
                     const IDValue_t &value, bool isFirst, bool isLast) override;
    void reportStatus(QSystemInterface *sys, const ZEVAHV_SYSTEMSTATUS_t &status) override;
    void reportLost(QSystemInterface *sys, int errorCode) override;

private:
    mutable std::mutex m_mutex;
    std::vector<Lost> m_lost;
    int m_serverFailures = 0;
    std::vector<QSystemInterface *> m_apply;  // GUI thread only
};
