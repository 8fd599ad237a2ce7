#pragma once
// Helpers shared by the shell tests: small device trees built by hand, the
// message interceptor, and waiting on a condition while Qt runs.
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <vector>

#include "messageboxes.h"

class ZEVAHVNode;

// Runs the event loop until cond() holds or the time is up.
bool waitFor(const std::function<bool()>& cond, int timeoutMs = 20000);

// Collects every message the window would show.
class MessageRecorder {
public:
    explicit MessageRecorder(bool acceptChoices = false);
    ~MessageRecorder();
    std::vector<VelmoraMessages::Shown> shown;
    bool contains(const QString& part) const;
};

struct ParamSpec {
    QString name;
    int valueType = 6;
    int accessMode = 2;
    QVariant value;
};

// A root with boards named "Board%02d" holding channels "Chan%03d", each with
// the given parameters.  boardChannels[i] = channels of board slot i (0 gives
// an empty slot).
ZEVAHVNode* makeSystem(const QString& name, const std::vector<int>& boardChannels,
                       const std::vector<ParamSpec>& params, int systemType = 8);
