#include "mainwindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDialog>
#include <QDockWidget>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMutexLocker>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QTabBar>
#include <QTextStream>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <atomic>

#include "eventport.h"
#include "mainwindowform.h"
#include "messageboxes.h"
#include "qaboutdialog.h"
#include "qcollapsiblewidget.h"
#include "qconnectdialog.h"
#include "qcustombox.h"
#include "qcustomtablewidget.h"
#include "qsubwindow.h"
#include "qsysteminterface.h"
#include "qsystemstatusbar.h"
#include "qtcpeventserver.h"
#include "resulttexts.h"
#include "statustexts.h"
#include "systemviews.h"
#include "zevahvnode.h"

namespace {
std::atomic<MainWindow*> g_window{nullptr};

// A progress dialog that goes away with the flow that opened it.
struct ProgressGuard {
    QProgressDialog* dialog = nullptr;
    ~ProgressGuard() { finish(); }
    // A window-modal progress dialog titled "Velmora", shown at once at 0.
    void open(const QString& label, QWidget* parent)
    {
        dialog = new QProgressDialog(label, QString(), 0, 100, parent);
        dialog->setWindowTitle("Velmora");
        dialog->setWindowModality(Qt::WindowModal);
        dialog->setMinimumDuration(0);
        dialog->setAutoClose(false);
        dialog->setAutoReset(false);
        dialog->setValue(0);
    }
    void set(int value) { if (dialog) dialog->setValue(value); }
    void finish()
    {
        if (!dialog)
            return;
        dialog->setValue(100);
        delete dialog;
        dialog = nullptr;
    }
};
}

// ---- the single instance -----------------------------------------------------

MainWindow* MainWindow::getInstance()
{
    MainWindow* w = g_window.load();
    if (!w) {
        w = new MainWindow();
        g_window.store(w);
    }
    return w;
}

MainWindow* MainWindow::existingInstance()
{
    return g_window.load();
}

MainWindow::MainWindow() : ui(new MainWindowForm)
{
    g_window.store(this);
    ZEVAHVEventSink::install(this);   // the server thread started below reports here
    ui->setupUi(this);
    setWindowTitle("Velmora");
    setContextMenuPolicy(Qt::NoContextMenu);
    ui->viewsArea->setContextMenuPolicy(Qt::NoContextMenu);

    QCoreApplication::setOrganizationName("ZEVA");
    QCoreApplication::setApplicationName("Velmora");

    showMaximized();

    registerVelmoraMetaTypes();
    connect(this, &MainWindow::updateValueAndWidget, this, &MainWindow::handleUpdateValueAndWidget);
    connect(this, &MainWindow::liveInsertion, this, &MainWindow::handleEventLiveInsertion);
    connect(this, &MainWindow::systemDisconnected, this, &MainWindow::handleSystemDisconnected);
    connect(this, &MainWindow::systemEvStatus, this, &MainWindow::handleSystemEvStatus);
    connect(this, &MainWindow::tcpServerError, this, &MainWindow::handleTcpServerError);

    // Right clicks show nothing anywhere in the frame.
    ui->mainTBar->setContextMenuPolicy(Qt::CustomContextMenu);
    ui->dockLeft->setContextMenuPolicy(Qt::CustomContextMenu);
    ui->menuBar->setContextMenuPolicy(Qt::CustomContextMenu);
    ui->centralWidget->setContextMenuPolicy(Qt::CustomContextMenu);

    connect(ui->menuConnect, &QAction::triggered, this, &MainWindow::createDialogForConnection);
    connect(ui->viewsArea, &QMdiArea::subWindowActivated, this, &MainWindow::setCurrentWidgetIndex);
    connect(ui->menuCreateGroup, &QAction::triggered, this, &MainWindow::createDialogForGroupSettings);
    connect(ui->menuCustomView, &QAction::triggered, this, &MainWindow::createDialogForCustomView);
    connect(ui->menuAbout, &QAction::triggered, this, &MainWindow::showAboutDialog);
    connect(ui->menuManual, &QAction::triggered, this, &MainWindow::showUserManual);
    connect(ui->menuExit, &QAction::triggered, this, &QWidget::close);
    ui->menuCustomView->setEnabled(false);
    ui->menuSave->setEnabled(false);
    ui->menuCreateGroup->setEnabled(false);

    ui->viewsArea->setViewMode(QMdiArea::TabbedView);
    ui->viewsArea->setTabsClosable(false);
    ui->viewsArea->setTabsMovable(false);
    // A tab whose view has not been shown yet activates nothing by itself:
    // the view is shown and activated here, so the first click shows it.
    if (auto* tabs = ui->viewsArea->findChild<QTabBar*>()) {
        connect(tabs, &QTabBar::currentChanged, this, [this](int tab) {
            const QList<QMdiSubWindow*> windows = ui->viewsArea->subWindowList();
            QMdiSubWindow* w = tab >= 0 && tab < windows.size() ? windows[tab] : nullptr;
            if (!w || w == ui->viewsArea->activeSubWindow())
                return;
            if (w->isHidden())
                w->show();
            ui->viewsArea->setActiveSubWindow(w);
        });
    }

    auto* logoHolder = new QWidget(ui->mainTBar);
    logoHolder->setContentsMargins(0, 0, 0, 0);
    auto* logoLayout = new QHBoxLayout(logoHolder);
    logoLayout->setContentsMargins(10, 5, 10, 5);
    auto* logo = new QLabel(logoHolder);
    logo->setPixmap(QPixmap(":/Resources/Elementi/lite/logo-trasparente.png"));
    logoLayout->addWidget(logo);
    logoLayout->addStretch();
    ui->mainTBar->addWidget(logoHolder);

    m_dock = new QCollapsibleWidget(ui->dockLeftContents);
    ui->verticalLayout_2->addWidget(m_dock);

    m_server = std::make_unique<QTcpEventServer>(ZEVAHVEventPort::DefaultPort);
    if (!m_server->start())
        ui->menuConnect->setEnabled(false);
}

MainWindow::~MainWindow()
{
    // Listeners end with their interfaces; the server goes last but one, and
    // from now on no worker reaches this window.
    g_window.store(nullptr);
    ZEVAHVEventSink::install(nullptr);
    std::vector<QSystemInterface*> systems;
    {
        QMutexLocker lock(&m_systemsMutex);
        systems.swap(m_systems);
    }
    // A window deleted without closing still leaves the library tidy.
    for (QSystemInterface* s : systems)
        if (!s->isCustomView())
            s->disconnectSystem(false);
    for (QMdiSubWindow* w : m_windows)
        delete w;
    m_windows.clear();
    detachStatusBar();
    // The custom view goes first: it only borrows the other roots.
    std::stable_partition(systems.begin(), systems.end(),
                          [](const QSystemInterface* s) { return s->isCustomView(); });
    for (QSystemInterface* s : systems)
        delete s;
    if (m_server)
        m_server->stop();
    delete ui;
}

std::vector<QSystemInterface*> MainWindow::systemList() const
{
    QMutexLocker lock(&m_systemsMutex);
    return m_systems;
}

int MainWindow::toolBarHeight() const { return ui->mainTBar->height(); }

quint16 MainWindow::eventPort() const
{
    if (!m_server || !m_server->waitUntilListening(10000))
        return 0;
    return m_server->port();
}

int MainWindow::strayEventConnections() const { return m_server ? m_server->strayConnections() : 0; }

// ---- the system list ---------------------------------------------------------

bool MainWindow::isListed(const QSystemInterface* sysIf) const { return indexOf(sysIf) >= 0; }

int MainWindow::indexOf(const QSystemInterface* sysIf) const
{
    for (size_t i = 0; i < m_systems.size(); ++i)
        if (m_systems[i] == sysIf)
            return static_cast<int>(i);
    return -1;
}

void MainWindow::insertSystem(int position, QSystemInterface* sysIf)
{
    QMutexLocker lock(&m_systemsMutex);
    m_systems.insert(m_systems.begin() + position, sysIf);
}

void MainWindow::removeSystemAt(int position)
{
    QMutexLocker lock(&m_systemsMutex);
    m_systems.erase(m_systems.begin() + position);
}

void MainWindow::renumber()
{
    for (size_t i = 0; i < m_systems.size(); ++i) {
        QSystemInterface* s = m_systems[i];
        s->setSystemIndex(static_cast<int>(i));
        if (auto* box = qobject_cast<QCustomBox*>(s->box()))
            box->setSystemIndex(static_cast<int>(i));
        if (i < m_windows.size())
            if (auto* table = qobject_cast<QSubWindow*>(m_windows[i]->widget()))
                table->setSystemIndex(static_cast<int>(i));
    }
}

QSystemInterface* MainWindow::customViewEntry() const
{
    for (QSystemInterface* s : m_systems)
        if (s->isCustomView())
            return s;
    return nullptr;
}

int MainWindow::connectedSystemCount() const
{
    int n = 0;
    for (const QSystemInterface* s : m_systems)
        n += s->isConnected() ? 1 : 0;
    return n;
}

QSubWindow* MainWindow::tableWindowOf(int index) const
{
    QMdiSubWindow* w = subWindowOf(index);
    return w ? qobject_cast<QSubWindow*>(w->widget()) : nullptr;
}

QMdiSubWindow* MainWindow::subWindowOf(int index) const
{
    return index >= 0 && index < static_cast<int>(m_windows.size()) ? m_windows[index] : nullptr;
}

QString MainWindow::uniqueSystemName(const QString& requested, const QStringList& listed)
{
    QString name = requested;
    for (int k = 0; k < listed.size(); ++k) {
        if (!listed.contains(name))
            break;
        name += QString("(%0)").arg(k + 1);
    }
    return name;
}

QString MainWindow::connectFailureText(int systemType, const QString& name, const QString& user, int result)
{
    // A VME board is named by the board name typed as the user.
    const QString who = systemType == ZEVAHV_SYS_W40XX ? user : name;
    QString text = QString("Unable to connect to %0.").arg(who);
    text += result == ZEVAHV_ERR_LOGINFAILED ? "\nIncorrect username and/or password." : "\nSome errors occourred.";
    // The library keeps no text for a system that did not open; its general
    // text still says which side failed.
    const char* libraryText = result > 0 ? ZEVAHV_GetError(-1) : nullptr;
    text += "\n\n" + ZEVAHVResultText::failureReason(result, QString::fromLatin1(libraryText ? libraryText : ""));
    return text;
}

QString MainWindow::titleFor(const QString& systemName)
{
    return systemName.isEmpty() ? QString("Velmora") : QString("Velmora - %1").arg(systemName);
}

// ---- the event sink ------------------------------------------------------------

void MainWindow::reportServerFailure() { emit tcpServerError(); }

void MainWindow::reportValue(QSystemInterface* sys, int board, int channel, const QString& item,
                             const IDValue_t& value, bool isFirst, bool isLast)
{
    emit updateValueAndWidget(sys, board, channel, item, value, isFirst, isLast);
}

void MainWindow::reportStatus(QSystemInterface* sys, const ZEVAHV_SYSTEMSTATUS_t& status)
{
    emit systemEvStatus(sys, status);
}

void MainWindow::reportLost(QSystemInterface* sys, int errorCode) { emit systemDisconnected(sys, errorCode); }

// ---- connecting ----------------------------------------------------------------

int MainWindow::connectToSystem(int systemType, int linkType, QString argument, QString name,
                                QString user, QString password)
{
    ProgressGuard progress;
    progress.open(QString("Please wait while %0 is fetching data..").arg(name), this);
    progress.dialog->setCancelButton(new QPushButton("Cancel", progress.dialog));
    connect(progress.dialog, &QProgressDialog::canceled, this, &MainWindow::cancelConnection);

    // Subscriptions name the event port: the server must hold it first.
    eventPort();

    if (name.isEmpty())
        name = "System";
    QStringList listed;
    for (const QSystemInterface* s : m_systems)
        listed << s->name();
    name = uniqueSystemName(name, listed);

    // Real systems come first, numbered in connection order; the custom view
    // stays after them in the list, in the dock and among the sub-windows.
    int index = 0;
    for (const QSystemInterface* s : m_systems)
        index += s->isCustomView() ? 0 : 1;
    auto* sysIf = new QSystemInterface(systemType, linkType, argument, name, index);
    insertSystem(index, sysIf);
    renumber();

    const int rc = sysIf->connectSystem(progress.dialog, user, password);
    if (rc != 0) {
        removeSystemAt(indexOf(sysIf));
        delete sysIf;
        renumber();
        progress.finish();
        if (rc != -3) {
            QCoreApplication::processEvents();
            VelmoraMessages::warning(this, connectFailureText(systemType, name, user, rc));
        }
        return 1;
    }

    const SubscriptionFailures failures = sysIf->subscribeParameters();
    progress.set(96);
    buildSystemViews(sysIf, false);
    sysIf->setConnected(true);

    connect(sysIf, &QSystemInterface::clickedExtraButton, this, &MainWindow::createConfigureTableDialog);
    connect(sysIf, &QSystemInterface::clickedDisconnectButton, this, &MainWindow::disconnectFromSystem);
    connect(sysIf, &QSystemInterface::clicked, this, &MainWindow::setCurrentSubWindowIndex);

    progress.set(98);
    if (QSystemInterface* custom = customViewEntry()) {
        if (custom->root() && sysIf->root())
            custom->root()->addChild(sysIf->root());
        if (QSubWindow* table = tableWindowOf(indexOf(custom))) {
            table->refresh();
            if (table->isVisible())
                table->reapplyLayout();
        }
    }

    progress.set(99);
    if (!failures.isEmpty())
        writeUnsubscribedReport(sysIf, failures);

    progress.finish();
    ui->menuCustomView->setEnabled(true);
    ui->menuSave->setEnabled(true);
    ui->menuCreateGroup->setEnabled(true);
    sysIf->setEventsEnabled(true);
    // Events are expected unless every subscription failed.
    if (failures.failedCount() < failures.requested)
        sysIf->watchEvents();

    if (connectedSystemCount() > 3)
        ui->menuConnect->setEnabled(false);
    if (m_systems.size() == 2 && !customViewEntry())
        addCustomViewEntry();
    return 0;
}

void MainWindow::buildSystemViews(QSystemInterface* sysIf, bool custom)
{
    SystemViews views = buildSystemWidgets(sysIf, custom, this);
    connect(views.box, &QCustomBox::itemClicked, sysIf, &QSystemInterface::clickWidget);
    connect(views.box, &QCustomBox::clickedExtraButton, sysIf, &QSystemInterface::extraButtonClick);
    connect(views.box, &QCustomBox::clickedDisconnectButton, sysIf, &QSystemInterface::disconnectButtonClick);
    const int position = indexOf(sysIf);
    m_dock->insertSystem(position, views.box, sysIf);
    addSubWindow(sysIf, views.table, custom);
}

void MainWindow::addSubWindow(QSystemInterface* sysIf, QSubWindow* table, bool custom)
{
    auto* sub = new QMdiSubWindow;
    sub->setWidget(table);
    sub->setAttribute(Qt::WA_DeleteOnClose, false);
    sub->setWindowFlags(Qt::SubWindow | Qt::WindowTitleHint | Qt::WindowMinimizeButtonHint);
    sub->setStyleSheet("background: transparent; border-top: 1px solid red;");
    QPixmap blank(16, 16);
    blank.fill(Qt::transparent);
    sub->setWindowIcon(QIcon(blank));
    sub->setSystemMenu(new QMenu(sub));
    sub->setWindowTitle(sysIf->name());

    const int position = indexOf(sysIf);
    // The document area keeps its windows in the order they were added: the
    // custom view's window is taken out and put back so that it stays last.
    QMdiSubWindow* customWindow = nullptr;
    if (!custom) {
        if (QSystemInterface* c = customViewEntry())
            customWindow = subWindowOf(indexOf(c) - 1);
    }
    if (customWindow)
        ui->viewsArea->removeSubWindow(customWindow);
    ui->viewsArea->addSubWindow(sub);
    if (customWindow)
        ui->viewsArea->addSubWindow(customWindow);
    m_windows.insert(m_windows.begin() + position, sub);
    renumber();   // the windows after this one moved down a place

    if (!custom) {
        sub->show();
        setCurrentSubWindowIndex(position);
    }
}

void MainWindow::addCustomViewEntry()
{
    if (customViewEntry())
        return;   // one "All Devices" entry at most
    auto* custom = new QSystemInterface(-1, -1, QString(), "All Devices", connectedSystemCount());
    custom->setCustomView(true);
    auto* root = new ZEVAHVNode("customView", ZEVAHVNode::KindEmpty);
    root->setConnectionState(ZEVAHVNode::ConnectionOk);
    for (QSystemInterface* s : m_systems)
        if (s->root() && !s->isCustomView())
            root->addChild(s->root());
    custom->setRoot(root);
    insertSystem(static_cast<int>(m_systems.size()), custom);
    renumber();
    buildSystemViews(custom, true);
    connect(custom, &QSystemInterface::clickedExtraButton, this, &MainWindow::createDialogForCustomView);
    connect(custom, &QSystemInterface::clickedDisconnectButton, this, &MainWindow::disconnectFromSystem);
    connect(custom, &QSystemInterface::clicked, this, &MainWindow::setCurrentSubWindowIndex);
}

void MainWindow::writeUnsubscribedReport(QSystemInterface* sysIf, const SubscriptionFailures& failures)
{
    QFile file(sysIf->logFileName());
    if (file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        QTextStream out(&file);
        out << "List of unsubscribed parameters:\n\n";
        out << "SYSTEM\t|\tBOARD\t|\tCHANNEL\t|\tPARAMETER\n\n";
        const QString line("%0\t|\t%1\t|\t%2\t|\t%3\n");
        for (const UnsubscribedItem& i : failures.systemItems)
            out << line.arg(sysIf->name(), "     ", "       ", i.name);
        for (const UnsubscribedItem& i : failures.boardItems)
            out << line.arg(sysIf->name(), QString::number(i.board), "       ", i.name);
        for (const UnsubscribedItem& i : failures.channelItems)
            out << line.arg(sysIf->name(), QString::number(i.board), QString::number(i.channel), i.name);
        out << "\n" << QString(87, '-') << "\n" << "\n";
    }
    file.close();

    const bool details = VelmoraMessages::warningWithChoice(
        this, "There have been some troubles in communication.\nSome items will not be updated\n",
        "Please check if your firewall is\nblocking inbound connections.\nClick Details button to view logfile.\n",
        "Details..", "Ok");
    if (!details)
        return;
    auto* viewer = new QPlainTextEdit;
    viewer->setAttribute(Qt::WA_DeleteOnClose);
    viewer->setWindowFlags(Qt::Window | Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint |
                           Qt::WindowCloseButtonHint);
    viewer->setMinimumWidth(800);
    viewer->setFont(QFont("Courier"));
    viewer->setReadOnly(true);
    viewer->setWindowTitle(sysIf->logFileName());
    QFile in(sysIf->logFileName());
    if (in.open(QIODevice::ReadOnly | QIODevice::Text))
        viewer->setPlainText(QString::fromLocal8Bit(in.readAll()));
    viewer->show();
}

// ---- selecting a system ----------------------------------------------------------

void MainWindow::highlightSystem(int index)
{
    const bool listed = index >= 0 && index < static_cast<int>(m_systems.size());
    setWindowTitle(titleFor(listed ? m_systems[index]->name() : QString()));
    for (size_t i = 0; i < m_systems.size(); ++i) {
        const bool selected = static_cast<int>(i) == index;
        m_systems[i]->setProperty("selected", selected);
        if (auto* box = qobject_cast<QCustomBox*>(m_systems[i]->box()))
            box->setSelected(selected);
    }
}

void MainWindow::clearTableSelections()
{
    for (QMdiSubWindow* w : m_windows) {
        if (auto* table = qobject_cast<QSubWindow*>(w->widget())) {
            table->table()->clearSelection();
            table->table()->setCurrentIndex(QModelIndex());   // no cell keeps its text from events
        }
    }
}

void MainWindow::detachStatusBar()
{
    if (!m_shownStatusBar)
        return;
    QSystemStatusBar* bar = m_shownStatusBar;
    m_shownStatusBar = nullptr;
    // Back to its owner, hidden, before the window lets go of it: the window
    // deletes a status bar it still holds when it is told to show none.
    QWidget* owner = nullptr;
    for (QSystemInterface* s : m_systems)
        if (s->statusBar() == bar)
            owner = s;
    bar->hide();
    bar->setParent(owner);
    setStatusBar(nullptr);
}

void MainWindow::showStatusBarOf(QSystemInterface* sysIf)
{
    auto* bar = sysIf ? qobject_cast<QSystemStatusBar*>(sysIf->statusBar()) : nullptr;
    if (bar == m_shownStatusBar)
        return;
    detachStatusBar();
    if (!bar)
        return;
    setStatusBar(bar);
    bar->show();
    m_shownStatusBar = bar;
}

void MainWindow::setCurrentWidgetIndex(QMdiSubWindow* subWindow)
{
    auto* table = subWindow ? qobject_cast<QSubWindow*>(subWindow->widget()) : nullptr;
    if (!table)
        return;
    const int index = table->systemIndex();
    highlightSystem(index);
    if (index >= 0 && index < static_cast<int>(m_systems.size()))
        showStatusBarOf(m_systems[index]);
    clearTableSelections();
    // Tabbed: the active view fills the area, and the others shrink to
    // nothing, frame and title bar included, so that none shows through the
    // transparent windows.  A view first shown by its tab (the "All
    // Devices" view is not shown when it is made) is shown here.
    if (ui->viewsArea->viewMode() == QMdiArea::TabbedView) {
        if (subWindow->isHidden())
            subWindow->show();
        if (!subWindow->isMaximized())
            subWindow->showMaximized();
        table->resize(ui->viewsArea->viewport()->size());
        for (QMdiSubWindow* w : m_windows) {
            if (w == subWindow)
                continue;
            if (w->widget())
                w->widget()->setGeometry(0, 0, -1, -1);
            if (!w->isMaximized())
                w->setGeometry(0, 0, 0, 0);
        }
    }
}

void MainWindow::setCurrentSubWindowIndex(int index)
{
    QMdiSubWindow* w = subWindowOf(index);
    if (!w)
        return;
    if (!w->isVisible())
        w->show();
    ui->viewsArea->setActiveSubWindow(w);
    // The area reports no activation while the program's window is not the
    // active one (or when w was active already): the view is set up here
    // either way.
    setCurrentWidgetIndex(w);
    clearTableSelections();
    highlightSystem(index);
    if (index < static_cast<int>(m_systems.size()))
        showStatusBarOf(m_systems[index]);
}

// ---- disconnecting ------------------------------------------------------------------

void MainWindow::closeSubWindowAt(int position)
{
    QMdiSubWindow* w = subWindowOf(position);
    if (!w)
        return;
    m_windows.erase(m_windows.begin() + position);
    ui->viewsArea->removeSubWindow(w);
    w->close();
    delete w;
}

void MainWindow::disconnectFromSystem(int index)
{
    if (index < 0 || index >= static_cast<int>(m_systems.size()))
        return;
    for (QDialog* d : findChildren<QDialog*>())
        d->close();

    QSystemInterface* sysIf = m_systems[index];
    ProgressGuard progress;
    ZEVAHVNode* root = sysIf->root();
    if (root && !sysIf->isCustomView()) {
        auto* box = qobject_cast<QCustomBox*>(sysIf->box());
        const QString buttonText = box ? box->disconnectButtonText() : QString();
        const bool talk = root->connectionState() != ZEVAHVNode::ConnectionLost &&
                          buttonText != QCustomBox::kCloseText;
        if (talk)
            progress.open(QString("Disconnecting from %0..").arg(sysIf->name()), this);
        sysIf->setClosing(true);
        progress.set(10);
        // Closing flag, unsubscribing, the listener pause and the close in the
        // library, in that order.
        progress.set(30);
        sysIf->disconnectSystem(talk);
        progress.set(50);
        progress.set(60);
        if (QSystemInterface* custom = customViewEntry()) {
            if (custom->root() && custom->root()->removeChild(root))
                if (QSubWindow* table = tableWindowOf(indexOf(custom)))
                    table->refresh();
        }
        progress.set(70);
    }
    if (m_systems.size() <= 1)
        ui->menuSave->setEnabled(false);
    ui->menuConnect->setEnabled(true);

    QCoreApplication::processEvents();
    index = indexOf(sysIf);   // events may have changed nothing, but be sure
    if (index < 0)
        return;
    if (m_shownStatusBar && sysIf->statusBar() == m_shownStatusBar)
        detachStatusBar();
    closeSubWindowAt(index);
    m_dock->removeSystem(index);
    removeSystemAt(index);
    delete sysIf;
    renumber();
    progress.set(80);

    int real = 0;
    for (const QSystemInterface* s : m_systems)
        real += s->isCustomView() ? 0 : 1;
    if (real < 2) {
        progress.set(90);
        removeCustomViewEntry();
    }
    if (m_systems.empty())
        ui->menuSave->setEnabled(false);
    if (real == 0) {
        detachStatusBar();
        setWindowTitle(titleFor(QString()));
    } else if (QMdiSubWindow* active = ui->viewsArea->activeSubWindow())
        setCurrentWidgetIndex(active);
    else
        setCurrentSubWindowIndex(0);
    progress.set(100);
}

void MainWindow::removeCustomViewEntry()
{
    QSystemInterface* custom = customViewEntry();
    if (!custom)
        return;
    const int index = indexOf(custom);
    if (m_shownStatusBar && custom->statusBar() == m_shownStatusBar)
        detachStatusBar();
    closeSubWindowAt(index);
    m_dock->removeSystem(index);
    removeSystemAt(index);
    delete custom;
    renumber();
}

// ---- reactions to the workers' signals -------------------------------------------------

void MainWindow::handleUpdateValueAndWidget(QSystemInterface* sysIf, int bdIndex, int chIndex, QString itmName,
                                            IDValue_t val, bool, bool)
{
    // A queued value may arrive after its system was removed.
    const int index = indexOf(sysIf);
    if (index < 0 || !sysIf->root())
        return;
    ZEVAHVNode* item = sysIf->root()->findItem(bdIndex, chIndex, itmName);
    if (!item)
        return;
    item->setValueFromBytes(val.Value, ZEVAHV_EVENT_VALUE_SIZE);

    if (item->libraryType() == 2 && item->kind() == ZEVAHVNode::KindChannelParameter) {
        const bool ok = ZEVAHVStatus::isChannelHealthy(item->systemType(), item->value().value.toUInt());
        if (QSubWindow* table = tableWindowOf(index))
            table->markRow(ok, item);
        for (size_t i = 0; i < m_systems.size(); ++i)
            if (m_systems[i]->isCustomView())
                if (QSubWindow* table = tableWindowOf(static_cast<int>(i)))
                    table->markRow(ok, item);
    }
    if (chIndex < 0)
        refreshInformationPanel(sysIf, item);
}

void MainWindow::handleSystemEvStatus(QSystemInterface* sysIf, ZEVAHV_SYSTEMSTATUS_t sysStatus)
{
    if (!isListed(sysIf))
        return;
    auto* bar = qobject_cast<QSystemStatusBar*>(sysIf->statusBar());
    if (!bar)
        return;
    bool ok = false, warning = false, error = false;
    const auto take = [&](int s) {
        ok = ok || s == 0;
        warning = warning || s == 1;
        error = error || s == 2;
    };
    take(sysStatus.System);
    for (int b : sysStatus.Board)
        take(b);
    bar->setEventLights(ok, warning, error);
}

void MainWindow::disableViewsOf(QSystemInterface* sysIf, bool ownViews)
{
    const int index = indexOf(sysIf);
    if (QSubWindow* table = tableWindowOf(index)) {
        table->table()->clearSelection();
        table->table()->setCurrentIndex(QModelIndex());   // closes an editor left open
        table->table()->setEnabled(false);
        table->table()->alternateRowColors();   // the cells turn grey too
    }
    if (QSystemInterface* custom = customViewEntry())
        if (QSubWindow* table = tableWindowOf(indexOf(custom)))
            table->table()->alternateRowColors();
    if (auto* box = qobject_cast<QCustomBox*>(sysIf->box())) {
        box->setEnabled(false);
        // The box stays usable to close the views.
        if (ownViews && box->disconnectButton()) {
            box->disconnectButton()->setText(QCustomBox::kCloseText);
            box->disconnectButton()->setEnabled(true);
            box->setEnabled(true);
            box->setProperty("lost", true);
        }
    }
    sysIf->setEnabled(false);
    if (auto* bar = qobject_cast<QSystemStatusBar*>(sysIf->statusBar())) {
        bar->setConnectionStatus(QSystemStatusBar::Disconnected);
        bar->switchLightsOff();
    }
}

void MainWindow::handleSystemDisconnected(QSystemInterface* sysIf, int errorCode)
{
    if (!isListed(sysIf) || sysIf->isClosing())
        return;
    // The listener and the watchdog may both notice one loss: tell it once.
    if (sysIf->root() && sysIf->root()->connectionState() == ZEVAHVNode::ConnectionLost)
        return;
    sysIf->stopWatchingEvents();
    if (sysIf->root())
        sysIf->root()->setConnectionState(ZEVAHVNode::ConnectionLost);
    QString name = sysIf->name();
    if (sysIf->systemType() == ZEVAHV_SYS_W40XX)
        name += " on ZEVA HV VME Crate";
    QString text;
    if (errorCode == 0)
        text = QString("%0 is no longer connected.\nPlease check your network and try to reconnect.").arg(name);
    else if (errorCode == 1)
        text = QString("%0 can't reach connection\nwith %1.\nPlease check your firewall rules\nand try to reconnect.")
                   .arg("Velmora", name);
    else
        text = QString("%0 is no longer connected. Some error occourred, please reconnect.").arg(name);

    // Grey the views before the box, so the user sees which system it means.
    if (sysIf->systemType() == ZEVAHV_SYS_W40XX) {
        const QString prefix = sysIf->connectionArgument().left(3);
        if (sysIf->connectionArgument().size() >= 3) {
            for (QSystemInterface* s : m_systems) {
                if (s->systemType() == ZEVAHV_SYS_W40XX && s->connectionArgument().startsWith(prefix)) {
                    disableViewsOf(s, s == sysIf);
                    break;
                }
            }
        }
    } else {
        disableViewsOf(sysIf, true);
    }
    VelmoraMessages::warning(this, text);
}

void MainWindow::handleTcpServerError()
{
    VelmoraMessages::warning(this, "Unable to start tcp server. Please check\nyour network connection, than "
                                   "restart application.");
    ui->menuConnect->setEnabled(false);
    const QList<QAction*> actions = ui->menuBar->actions();
    if (actions.size() > 2) {
        actions[0]->setEnabled(false);
        actions[1]->setEnabled(false);
    }
}

void MainWindow::handleConnectionStatusChanged(QSystemInterface* sysIf, int rate)
{
    if (isListed(sysIf) && sysIf->root())
        sysIf->root()->setConnectionState(rate != 0 ? ZEVAHVNode::ConnectionOk : ZEVAHVNode::ConnectionLost);
}

void MainWindow::handleEventLiveInsertion(QSystemInterface*, bool, bool) {}

// ---- dialogs and actions ------------------------------------------------------------

void MainWindow::createDialogForConnection()
{
    auto* dialog = new QConnectDialog(ui->viewsArea, toolBarHeight(), this);
    dialog->show();
}

void MainWindow::createDialogForCustomView()
{
    std::vector<ZEVAHVNode*> roots;
    for (QSystemInterface* s : m_systems)
        if (s->isConnected() && s->root())
            roots.push_back(s->root());
    openCustomViewDialog(this, roots);
}

void MainWindow::createConfigureTableDialog(int index)
{
    if (index < 0 || index >= static_cast<int>(m_systems.size()) || !m_systems[index]->root())
        return;
    openConfigureViewDialog(this, m_systems[index]->root(), index);
}

void MainWindow::showAboutDialog()
{
    auto* about = new QAboutDialog(this);
    about->exec();
}

void MainWindow::showUserManual()
{
    // The manual is installed beside the program; a copy in the folder the
    // program was started from is taken too.
    QFileInfo manual(QDir(QCoreApplication::applicationDirPath()), "Velmora.pdf");
    if (!manual.exists())
        manual = QFileInfo(QDir::current(), "Velmora.pdf");
    const bool opened = manual.exists() && QDesktopServices::openUrl(QUrl::fromLocalFile(manual.absoluteFilePath()));
    if (!opened) {
        QString text = QString("Impossible to open ZEVA\n%0\nUser Manual, please open\nit from the "
                               "software folder.").arg("Velmora");
        if (manual.exists())   // no program to show it with: say where it is
            text += "\n\n" + QDir::toNativeSeparators(manual.absoluteFilePath());
        VelmoraMessages::warning(this, text);
    }
}

void MainWindow::showDockLeft()
{
    ui->dockLeft->setVisible(ui->menuSystems->isChecked());
}

void MainWindow::tabMdiAreaViews() {}
void MainWindow::tileMdiAreaViews() {}
void MainWindow::floatMdiAreaViews() {}
void MainWindow::tbarAllClicked() {}
void MainWindow::tbarNoneClicked() {}
void MainWindow::tbarSysClicked() {}
void MainWindow::tbarBrdClicked() {}
void MainWindow::tbarLockClicked() {}
void MainWindow::showToolBar() {}
void MainWindow::showDockRight() {}
void MainWindow::checkMenuDockLeft() {}
void MainWindow::checkMenuDockRight() {}
void MainWindow::createDialogForGroupSettings() {}
void MainWindow::createDialogToEditGroup() {}
void MainWindow::lockPanels() {}
void MainWindow::loadCustomizedViews() {}
void MainWindow::saveCustomizedViews() {}
void MainWindow::cancelConnection() {}

// ---- closing -------------------------------------------------------------------------

void MainWindow::closeEvent(QCloseEvent* event)
{
    for (QSystemInterface* s : m_systems) {
        if (s->isCustomView())
            continue;
        const bool lost = s->root() && s->root()->connectionState() == ZEVAHVNode::ConnectionLost;
        s->disconnectSystem(!lost);
    }
    event->accept();
}
