#include "mainwindow.h"

#include <QCloseEvent>
#include <QMutexLocker>
#include <atomic>

namespace {
std::atomic<MainWindow*> g_window{nullptr};
}

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

MainWindow::MainWindow()
{
    setWindowTitle("Velmora");
    registerVelmoraMetaTypes();
}

MainWindow::~MainWindow()
{
    g_window.store(nullptr);
}

std::vector<QSystemInterface*> MainWindow::systemList() const
{
    QMutexLocker lock(&m_systemsMutex);
    return m_systems;
}

int MainWindow::toolBarHeight() const { return 0; }

int MainWindow::connectToSystem(int, int, QString, QString, QString, QString) { return 1; }

void MainWindow::createDialogForConnection() {}
void MainWindow::tabMdiAreaViews() {}
void MainWindow::tileMdiAreaViews() {}
void MainWindow::floatMdiAreaViews() {}
void MainWindow::setCurrentSubWindowIndex(int) {}
void MainWindow::tbarAllClicked() {}
void MainWindow::tbarNoneClicked() {}
void MainWindow::tbarSysClicked() {}
void MainWindow::tbarBrdClicked() {}
void MainWindow::tbarLockClicked() {}
void MainWindow::showToolBar() {}
void MainWindow::showDockLeft() {}
void MainWindow::showDockRight() {}
void MainWindow::checkMenuDockLeft() {}
void MainWindow::checkMenuDockRight() {}
void MainWindow::setCurrentWidgetIndex(QMdiSubWindow*) {}
void MainWindow::createDialogForGroupSettings() {}
void MainWindow::createDialogToEditGroup() {}
void MainWindow::lockPanels() {}
void MainWindow::createDialogForCustomView() {}
void MainWindow::createConfigureTableDialog(int) {}
void MainWindow::disconnectFromSystem(int) {}
void MainWindow::loadCustomizedViews() {}
void MainWindow::saveCustomizedViews() {}
void MainWindow::showAboutDialog() {}
void MainWindow::showUserManual() {}
void MainWindow::cancelConnection() {}
void MainWindow::handleTcpServerError() {}
void MainWindow::handleConnectionStatusChanged(QSystemInterface*, int) {}
void MainWindow::handleEventLiveInsertion(QSystemInterface*, bool, bool) {}
void MainWindow::handleUpdateValueAndWidget(QSystemInterface*, int, int, QString, IDValue_t, bool, bool) {}
void MainWindow::handleSystemEvStatus(QSystemInterface*, ZEVAHV_SYSTEMSTATUS_t) {}
void MainWindow::handleSystemDisconnected(QSystemInterface*, int) {}

void MainWindow::closeEvent(QCloseEvent* event) { event->accept(); }
