#pragma once
// The program's one window: the dock of connected systems, the area of
// channel-table sub-windows, the menus, and the flows that connect and
// disconnect systems and apply what their listener threads report.
#include <QMainWindow>
#include <QMutex>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <vector>

#include "eventsink.h"
#include "velmora_metatypes.h"

#include <memory>

class QSystemInterface;
class QMdiSubWindow;
class QCollapsibleWidget;
class QProgressDialog;
class QSubWindow;
class QSystemStatusBar;
class QTcpEventServer;
class MainWindowForm;
struct SubscriptionFailures;

class MainWindow : public QMainWindow, public ZEVAHVEventSink
{
    Q_OBJECT

public:
    // The single window of the process.  The first call (made by the GUI
    // thread at start-up) creates it with no parent; worker threads only ever
    // reach an existing window.
    static MainWindow* getInstance();
    // The window if it exists and has not been destroyed yet, else null; never
    // creates it (for worker threads that must not outlive it).
    static MainWindow* existingInstance();

    ~MainWindow() override;

    // Connects one system with the connect dialog's values and lists it.
    // Returns 0 when the system is connected and listed, 1 otherwise.
    int connectToSystem(int systemType, int linkType, QString argument,
                        QString name, QString user, QString password);

    // A copy of the ordered system list (safe from any thread).
    std::vector<QSystemInterface*> systemList() const;
    // The list as the GUI thread sees it (GUI thread only).
    const std::vector<QSystemInterface*>& systems() const { return m_systems; }

    // The toolbar height the connect dialog uses to place itself.
    int toolBarHeight() const;

    // The form (actions, document area, dock), the dock's list and a
    // system's table window (null when it has none).
    MainWindowForm* form() const { return ui; }
    QCollapsibleWidget* systemsDock() const { return m_dock; }
    QSubWindow* tableWindowOf(int index) const;
    QMdiSubWindow* subWindowOf(int index) const;
    // The "All Devices" entry, or null.
    QSystemInterface* customViewEntry() const;
    // Lists the "All Devices" entry (also asked for by the custom view
    // dialog when only one system is connected).
    void addCustomViewEntry();
    int connectedSystemCount() const;
    // The event server's port (0 when it did not start).
    quint16 eventPort() const;
    // Event connections the server closed because they matched no system.
    int strayEventConnections() const;

    // A name not yet used by a listed system: "A" becomes "A(1)", then
    // "A(1)(2)" when "A(1)" is taken as well.
    static QString uniqueSystemName(const QString& requested, const QStringList& listed);
    // The message of a failed connection: the system's own words, then why.
    static QString connectFailureText(int systemType, const QString& name, const QString& user, int result);
    // The window title while the given system (or none) is selected.
    static QString titleFor(const QString& systemName);

    // The event sink: each report becomes the matching queued signal.
    void reportServerFailure() override;
    void reportValue(QSystemInterface* sys, int board, int channel, const QString& item,
                     const IDValue_t& value, bool isFirst, bool isLast) override;
    void reportStatus(QSystemInterface* sys, const ZEVAHV_SYSTEMSTATUS_t& status) override;
    void reportLost(QSystemInterface* sys, int errorCode) override;

signals:
    void tcpServerError();
    void connectionStatusChanged(QSystemInterface* sysIf, int rate);
    void liveInsertion(QSystemInterface* sysIf, bool a, bool b);
    void updateValueAndWidget(QSystemInterface* sysIf, int bdIndex, int chIndex,
                              QString itmName, IDValue_t val, bool isFirstEv, bool isLastEv);
    void systemEvStatus(QSystemInterface* sysIf, ZEVAHV_SYSTEMSTATUS_t sysStatus);
    void systemDisconnected(QSystemInterface* sysIf, int errorCode);

public slots:
    void createDialogForConnection();
    void tabMdiAreaViews();
    void tileMdiAreaViews();
    void floatMdiAreaViews();
    void setCurrentSubWindowIndex(int index);
    void tbarAllClicked();
    void tbarNoneClicked();
    void tbarSysClicked();
    void tbarBrdClicked();
    void tbarLockClicked();
    void showToolBar();
    void showDockLeft();
    void showDockRight();
    void checkMenuDockLeft();
    void checkMenuDockRight();
    void setCurrentWidgetIndex(QMdiSubWindow* subWindow);
    void createDialogForGroupSettings();
    void createDialogToEditGroup();
    void lockPanels();
    void createDialogForCustomView();
    void createConfigureTableDialog(int index);
    void disconnectFromSystem(int index);
    void loadCustomizedViews();
    void saveCustomizedViews();
    void showAboutDialog();
    void showUserManual();
    void cancelConnection();
    void handleTcpServerError();
    void handleConnectionStatusChanged(QSystemInterface* sysIf, int rate);
    void handleEventLiveInsertion(QSystemInterface* sysIf, bool a, bool b);
    void handleUpdateValueAndWidget(QSystemInterface* sysIf, int bdIndex, int chIndex,
                                    QString itmName, IDValue_t val, bool isFirstEv, bool isLastEv);
    void handleSystemEvStatus(QSystemInterface* sysIf, ZEVAHV_SYSTEMSTATUS_t sysStatus);
    void handleSystemDisconnected(QSystemInterface* sysIf, int errorCode);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    MainWindow();

    bool isListed(const QSystemInterface* sysIf) const;
    int indexOf(const QSystemInterface* sysIf) const;
    void insertSystem(int position, QSystemInterface* sysIf);
    void removeSystemAt(int position);
    void renumber();
    void buildSystemViews(QSystemInterface* sysIf, bool custom);
    void addSubWindow(QSystemInterface* sysIf, QSubWindow* table, bool custom);
    void closeSubWindowAt(int position);
    void removeCustomViewEntry();
    void highlightSystem(int index);
    void clearTableSelections();
    void showStatusBarOf(QSystemInterface* sysIf);
    void detachStatusBar();
    void disableViewsOf(QSystemInterface* sysIf, bool ownViews);
    void writeUnsubscribedReport(QSystemInterface* sysIf, const SubscriptionFailures& failures);

    MainWindowForm* ui;
    QCollapsibleWidget* m_dock = nullptr;
    std::unique_ptr<QTcpEventServer> m_server;
    std::vector<QSystemInterface*> m_systems;
    std::vector<QMdiSubWindow*> m_windows;   // m_windows[i] shows m_systems[i]
    mutable QMutex m_systemsMutex;   // guards m_systems against other threads' copies
    QSystemStatusBar* m_shownStatusBar = nullptr;
};
