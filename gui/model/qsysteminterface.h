#ifndef QSYSTEMINTERFACE_H
#define QSYSTEMINTERFACE_H

#include <atomic>

#include <QMutex>
#include <QPointer>
#include <QStatusBar>
#include <QString>
#include <QVector>
#include <QWidget>

class QEventWatchdog;
class QProgressDialog;
class QThread;
class ZEVAHVNode;

// A parameter whose subscription (or unsubscription) failed.
struct UnsubscribedItem
{
    int board = -1;    // slot; -1 for a system-level parameter
    int channel = -1;  // -1 for system- and board-level parameters
    QString name;
};

// The three failure lists of one subscription pass, in tree order.
struct SubscriptionFailures
{
    QVector<UnsubscribedItem> systemItems;
    QVector<UnsubscribedItem> boardItems;
    QVector<UnsubscribedItem> channelItems;
    int requested = 0;  // names asked for in all
    bool isEmpty() const {
        return systemItems.isEmpty() && boardItems.isEmpty() && channelItems.isEmpty();
    }
    int failedCount() const {
        return int(systemItems.size() + boardItems.size() + channelItems.size());
    }
};

// The program's client of one connected system: it opens the system, reads
// its whole description into a device tree, subscribes its parameters, runs
// the system's event listener thread and closes the system.  It is also the
// system's entry in the left dock and owns the system's widgets.
//
// Threads: the object lives in the GUI thread.  The event listener reads
// socket(), isClosing() and, under eventMutex(), eventsEnabled(); the event
// server attaches connections through startEventListener().  The destructor
// stops the listener and waits for it, so deleting an interface never leaves
// a thread behind.
class QSystemInterface : public QWidget
{
    Q_OBJECT
public:
    QSystemInterface(int systemType, int linkType, const QString &connectionArgument,
                     const QString &name, int systemIndex, QWidget *parent = nullptr);
    ~QSystemInterface() override;

    // The longest connection argument taken.  A serial module may sit on a
    // long device path; the library names its event connection by the whole
    // argument, so it is passed whole, never cut.
    static constexpr int kMaxArgumentLength = 255;

    // Opens the system and builds its tree.  0 on success, -1 for an empty
    // connection argument, ZEVAHV_ERR_INVALIDPARAMETER for one longer than
    // kMaxArgumentLength, otherwise the library's result of opening.  The
    // progress dialog may be null.
    int connectSystem(QProgressDialog *progress, const QString &user, const QString &password);

    // An empty list means the whole system (system items, then every board).
    SubscriptionFailures subscribeParameters(const QVector<ZEVAHVNode *> &boards = {});
    SubscriptionFailures unsubscribeParameters(const QVector<ZEVAHVNode *> &boards = {});
    SubscriptionFailures changeSubscription(const QVector<ZEVAHVNode *> &boards, bool on);

    // The disconnect of one system as the main window runs it: raises the
    // closing flag, unsubscribes (when asked), pauses the listeners for the
    // system types that need it, closes the system in the library, resumes
    // the listeners and stops this system's listener.  Returns the library's
    // result of closing (0 when the system was never opened).
    int disconnectSystem(bool unsubscribe);
    // True when closing this system type must pause every event listener.
    static bool pausesListenersOnDisconnect(int systemType);

    // Status bar texts, computed from the tree and the connection argument.
    QString statusBarTitle() const;
    QString statusBarConnectionText() const;

    // --- events --------------------------------------------------------------
    // eventsEnabled is guarded by eventMutex.  setEventsEnabled() takes the
    // mutex itself; eventsEnabledLocked() expects the caller to hold it.
    QMutex &eventMutex() { return m_eventMutex; }
    void setEventsEnabled(bool enabled);
    bool eventsEnabled();
    bool eventsEnabledLocked() const { return m_eventsEnabled; }
    void setEventsEnabledLocked(bool enabled) { m_eventsEnabled = enabled; }

    // Stores the accepted event connection and starts the listener thread on
    // it.  Returns false (and leaves the socket to the caller) when the
    // interface is closing or a listener still runs.
    bool startEventListener(int socket);
    // True once an event connection of this system has arrived.
    bool hasEventConnection() const { return m_hadEventConnection.load(); }
    // Starts the watchdog of the system's events (after a subscription that
    // expects them; see QEventWatchdog), and stops it.
    void watchEvents();
    void stopWatchingEvents();
    QEventWatchdog *eventWatchdog() const { return m_watchdog; }
    // Called by the listener for every batch it reads.
    void noteEventBatch();
    // Ends the listener (waking it when it waits for data) and waits for it.
    void stopEventListener();
    bool isListenerRunning() const;

    // --- accessors -----------------------------------------------------------
    int handle() const { return m_handle; }
    ZEVAHVNode *root() const { return m_root; }
    // The custom view ("All Devices") gets a root that only gathers the
    // roots of other systems; this interface never deletes those.
    void setRoot(ZEVAHVNode *root);
    int systemType() const { return m_systemType; }
    int linkType() const { return m_linkType; }
    const QString &name() const { return m_name; }
    const QString &connectionArgument() const { return m_connectionArgument; }
    const QString &logFileName() const { return m_logFileName; }
    int socket() const { return m_socket.load(); }
    void setSocket(int socket) { m_socket.store(socket); }
    bool isClosing() const { return m_closing.load(); }
    void setClosing(bool closing) { m_closing.store(closing); }
    bool isCustomView() const { return m_isCustomView; }
    void setCustomView(bool custom) { m_isCustomView = custom; }
    bool isConnected() const { return m_connected; }
    void setConnected(bool connected) { m_connected = connected; }
    int systemIndex() const { return m_systemIndex; }
    // Also forwards the number to the information panel (its "systemIndex"
    // property, when the panel has one).
    void setSystemIndex(int index);
    QThread *threadHandle() const { return m_threadHandle; }
    void setThreadHandle(QThread *thread) { m_threadHandle = thread; }

    // --- owned widgets -------------------------------------------------------
    // The shell builds the widgets and hands them over; the interface
    // deletes them with itself (the status bar too, wherever it is parented
    // at that time).
    QWidget *informationPanel() const { return m_informationPanel; }
    void setInformationPanel(QWidget *panel);
    QWidget *box() const { return m_box; }
    void setBox(QWidget *box);
    QWidget *extraWidget() const { return m_extraWidget; }
    void setExtraWidget(QWidget *widget);
    QStatusBar *statusBar() const { return m_statusBar; }
    void setStatusBar(QStatusBar *bar);

signals:
    void clicked(int index);
    void clickedExtraButton(int index);
    void clickedDisconnectButton(int index);

public slots:
    void clickWidget();
    void extraButtonClick(int index);
    void disconnectButtonClick(int index);

private:
    QMutex m_eventMutex;
    bool m_eventsEnabled = false;
    QPointer<QWidget> m_informationPanel;
    QPointer<QWidget> m_box;
    QPointer<QWidget> m_extraWidget;
    QPointer<QStatusBar> m_statusBar;
    int m_systemIndex;
    ZEVAHVNode *m_root = nullptr;
    int m_handle = -1;
    int m_systemType;
    int m_linkType;
    QString m_name;
    QString m_connectionArgument;
    bool m_isCustomView = false;
    QString m_logFileName;
    std::atomic<bool> m_closing{false};
    bool m_connected = false;
    mutable QMutex m_listenerMutex;  // guards the listener thread and its start
    QThread *m_threadHandle = nullptr;
    std::atomic<int> m_socket{-1};
    std::atomic<bool> m_hadEventConnection{false};
    QEventWatchdog *m_watchdog = nullptr;
};

#endif // QSYSTEMINTERFACE_H
