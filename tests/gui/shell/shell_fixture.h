#pragma once
// Helpers shared by the shell tests: small device trees built by hand, the
// message interceptor, and waiting on a condition while Qt runs.
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "messageboxes.h"

class MainWindow;
class QConnectDialog;
class QCustomLineEdit;
class SimProcess;

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
    // Runs an event loop of its own for each message, as a message box
    // does while it waits for its click (deferred deletions happen then).
    void runLoopPerMessage(bool on) { m_loop = on; }

private:
    bool m_loop = false;
};

struct ParamSpec {
    ParamSpec(const char* n, int type = 6, int mode = 2, QVariant v = QVariant())
        : name(QString::fromLatin1(n)), valueType(type), accessMode(mode), value(std::move(v)) {}
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

// A test with the program's window, its messages recorded instead of shown;
// the window is closed and deleted at the end.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    MessageRecorder messages;
    MainWindow* window = nullptr;
};

// The value writes ("CMD:SET" lines) a simulated module has received.
std::vector<std::string> setCommands(const SimProcess& sim);

// A loopback TCP port that takes connections and closes each at once, as a
// device that hangs up would; lives as long as the object.
class HangUpPort {
public:
    HangUpPort();
    ~HangUpPort();
    int port() const { return m_port; }
private:
    int m_fd = -1;
    int m_port = 0;
    int m_wake[2] = {-1, -1};
    void* m_thread = nullptr;
};

// A loopback port nobody listens on (taken from the kernel, then released).
int deadPort();

// The connect dialog's four address boxes, in order.
QList<QCustomLineEdit*> addressBoxes(QConnectDialog* dialog);
