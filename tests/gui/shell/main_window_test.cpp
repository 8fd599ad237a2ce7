// The main window against simulated modules over loopback TCP: the connect
// flow, the "All Devices" entry, the limit of four systems, writing a value
// to every selected cell, a module that goes away, and the exit.
#include <QAction>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QDoubleSpinBox>
#include <gtest/gtest.h>
#include <memory>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "eventport.h"
#include "eventwatchdog.h"
#include "mainwindow.h"
#include "mainwindowform.h"
#include "qcollapsiblewidget.h"
#include "qcustombox.h"
#include "qcustomtablewidget.h"
#include "qsubwindow.h"
#include "qsysteminterface.h"
#include "qsystemstatusbar.h"
#include "shell_fixture.h"
#include "sim_process.h"
#include "zevahvnode.h"
#include "zevahvwidgetitem.h"

namespace {
QString arg(const SimProcess& sim, int board = 0) { return QString::fromStdString(sim.tcp_arg(board)); }

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override { window = MainWindow::getInstance(); }
    void TearDown() override
    {
        window->close();
        delete window;
        EXPECT_EQ(MainWindow::existingInstance(), nullptr);
    }
    QSystemInterface* at(int i) { return window->systems().at(i); }
    int connect(int type, const SimProcess& sim, const QString& name, int board = 0)
    {
        return window->connectToSystem(type, 0, arg(sim, board), name, "", "");
    }
    MessageRecorder messages;
    MainWindow* window = nullptr;
};

// The first writable numeric column of a table, or -1.
int numericColumn(QCustomTableWidget* t)
{
    for (int c = 0; c < t->columnCount(); ++c) {
        ZEVAHVNode* p = t->parameterAt(0, c);
        if (p && (p->accessMode() == ZEVAHVNode::ReadWrite) && p->valueType() >= 3 && p->valueType() <= 6)
            return c;
    }
    return -1;
}

int countSetLines(const SimProcess& sim, const std::string& channelPart)
{
    int n = 0;
    for (const std::string& l : sim.log_lines())
        if (l.rfind("> ", 0) == 0 && l.find("CMD:SET") != std::string::npos && l.find(channelPart) != std::string::npos)
            ++n;
    return n;
}
}

TEST(SystemNames, RepeatedNamesGetANumberPerPass)
{
    EXPECT_EQ(MainWindow::uniqueSystemName("A", {}), "A");
    EXPECT_EQ(MainWindow::uniqueSystemName("B", {"A"}), "B");
    EXPECT_EQ(MainWindow::uniqueSystemName("A", {"A"}), "A(1)");
    EXPECT_EQ(MainWindow::uniqueSystemName("A", {"A", "A(1)"}), "A(1)(2)");
    EXPECT_EQ(MainWindow::uniqueSystemName("A", {"A(1)", "A"}), "A(1)(2)");
    EXPECT_EQ(MainWindow::uniqueSystemName("a", {"A"}), "a");   // case matters
}

TEST_F(MainWindowTest, WindowFrameAndMenus)
{
    EXPECT_EQ(window->windowTitle(), "Velmora");
    MainWindowForm* ui = window->form();
    QStringList file;
    for (QAction* a : ui->menuFile->actions())
        file << (a->isSeparator() ? "-" : a->text());
    EXPECT_EQ(file, QStringList({"Connect..", "-", "Exit"}));
    QStringList help;
    for (QAction* a : ui->menuHelp->actions())
        help << (a->isSeparator() ? "-" : a->text());
    EXPECT_EQ(help, QStringList({"Upgrade", "-", "User Manual", "About.."}));
    EXPECT_FALSE(ui->menuUpgrade->isVisible());
    EXPECT_FALSE(ui->menuCustomView->isEnabled());
    EXPECT_EQ(ui->viewsArea->viewMode(), QMdiArea::TabbedView);
    EXPECT_NE(window->eventPort(), 0);
    // The manual is not beside the program in the test folder.
    window->showUserManual();
    EXPECT_TRUE(messages.contains("User Manual, please open"));
}

TEST_F(MainWindowTest, FailedConnectionLeavesTheListAlone)
{
    auto sim = SimProcess::start("p731x");
    const QString dead = QString("127.0.0.1:%1_0").arg(sim->port());
    sim->kill_now();
    EXPECT_EQ(window->connectToSystem(8, 0, dead, "Gone", "", ""), 1);
    EXPECT_TRUE(window->systems().empty());
    EXPECT_TRUE(messages.contains("Unable to connect to Gone.\nSome errors occourred."));
    EXPECT_EQ(window->systemsDock()->topLevelItemCount(), 0);
}

TEST_F(MainWindowTest, SecondSystemBringsAllDevicesAndItLeavesWithIt)
{
    auto amp = SimProcess::start("p731x");
    auto disc = SimProcess::start("q2904");
    ASSERT_EQ(connect(8, *amp, ""), 0);
    EXPECT_EQ(at(0)->name(), "System");
    EXPECT_EQ(window->systems().size(), 1u);
    EXPECT_TRUE(window->form()->menuCustomView->isEnabled());
    QSubWindow* ampTable = window->tableWindowOf(0);
    ASSERT_NE(ampTable, nullptr);
    EXPECT_GT(ampTable->table()->rowCount(), 0);

    ASSERT_EQ(connect(12, *disc, ""), 0);
    ASSERT_EQ(window->systems().size(), 3u);
    EXPECT_EQ(at(1)->name(), "System(1)");
    EXPECT_TRUE(at(2)->isCustomView());
    EXPECT_EQ(at(2)->name(), "All Devices");
    EXPECT_EQ(window->systemsDock()->topLevelItemCount(), 3);
    QSubWindow* all = window->tableWindowOf(2);
    ASSERT_NE(all, nullptr);
    EXPECT_TRUE(all->isCustom());
    EXPECT_EQ(all->table()->rowCount(),
              ampTable->table()->rowCount() + window->tableWindowOf(1)->table()->rowCount());
    EXPECT_TRUE(all->table()->verticalHeaderItem(0)->text().startsWith("(System)"));

    // Values follow the module: a knob turned on its front panel shows up.
    QSubWindow* discTable = window->tableWindowOf(1);
    ZEVAHVNode* thr = nullptr;
    for (int c = 0; c < discTable->table()->columnCount() && !thr; ++c) {
        ZEVAHVNode* p = discTable->table()->parameterAt(3, c);
        if (p && p->name() == "Threshold")
            thr = p;
    }
    ASSERT_NE(thr, nullptr);
    EXPECT_EQ(disc->control("set 0 THR 3 1234").substr(0, 2), "OK");
    EXPECT_TRUE(waitFor([&] { return thr->text().contains("1234"); })) << thr->text().toStdString();

    // Clicking the second system's box selects it and shows its status bar.
    window->setCurrentSubWindowIndex(1);
    EXPECT_EQ(window->statusBar(), at(1)->statusBar());
    EXPECT_TRUE(qobject_cast<QCustomBox*>(at(1)->box())->isSelected());
    EXPECT_FALSE(qobject_cast<QCustomBox*>(at(0)->box())->isSelected());

    window->disconnectFromSystem(0);
    ASSERT_EQ(window->systems().size(), 1u);
    EXPECT_EQ(at(0)->name(), "System(1)");
    EXPECT_EQ(at(0)->systemIndex(), 0);
    EXPECT_FALSE(at(0)->isCustomView());
    EXPECT_EQ(window->systemsDock()->topLevelItemCount(), 1);
    EXPECT_EQ(window->form()->viewsArea->subWindowList().size(), 1);
    EXPECT_EQ(window->tableWindowOf(0)->systemIndex(), 0);
}

TEST_F(MainWindowTest, FourSystemsAreTheLimitUntilOneLeaves)
{
    auto sim = SimProcess::start("q2906", {"--boards", "0,1,2,3,4"});
    for (int b = 0; b < 4; ++b)
        ASSERT_EQ(connect(15, *sim, QString("Disc%1").arg(b), b), 0) << b;
    EXPECT_EQ(window->connectedSystemCount(), 4);
    EXPECT_FALSE(window->form()->menuConnect->isEnabled());
    // "All Devices" is listed after the real systems, in the dock too.
    ASSERT_EQ(window->systems().size(), 5u);
    EXPECT_TRUE(at(4)->isCustomView());
    EXPECT_EQ(at(3)->name(), "Disc3");
    EXPECT_EQ(at(3)->systemIndex(), 3);
    EXPECT_EQ(window->systemsDock()->itemWidget(window->systemsDock()->topLevelItem(4), 0), at(4)->box());
    EXPECT_EQ(window->tableWindowOf(4)->isCustom(), true);

    window->disconnectFromSystem(1);
    EXPECT_TRUE(window->form()->menuConnect->isEnabled());
    EXPECT_EQ(window->systems().size(), 4u);
    EXPECT_EQ(at(1)->name(), "Disc2");
    EXPECT_TRUE(at(3)->isCustomView());
    // The box of what is now system 1 reports index 1.
    qobject_cast<QCustomBox*>(at(1)->box())->disconnectButton()->click();
    EXPECT_EQ(window->systems().size(), 3u);
    EXPECT_EQ(at(1)->name(), "Disc3");
}

TEST_F(MainWindowTest, ValueCommittedInOneCellGoesToEverySelectedCellOfItsColumn)
{
    auto amp = SimProcess::start("p731x");
    ASSERT_EQ(connect(8, *amp, "Amp"), 0);
    QCustomTableWidget* t = window->tableWindowOf(0)->table();
    const int c = numericColumn(t);
    ASSERT_GE(c, 0);
    const int before = countSetLines(*amp, "CMD:SET");

    t->clearSelection();
    for (int r = 0; r < 5; ++r)
        t->item(r, c)->setSelected(true);
    t->item(7, c)->setSelected(false);
    t->setCurrentCell(0, c, QItemSelectionModel::Select);
    if (!t->findChild<ZEVAHVWidgetItem*>())   // moving there may have opened it already
        t->editItem(t->item(0, c));
    auto* editor = t->findChild<ZEVAHVWidgetItem*>();
    ASSERT_NE(editor, nullptr);
    ZEVAHVNode* p = editor->parameter();
    const double target = p->valueType() == 6 ? 100.0 : 100;
    if (auto* d = qobject_cast<QDoubleSpinBox*>(editor->control()))
        d->setValue(std::min(target, d->maximum()));
    else if (auto* s = qobject_cast<QSpinBox*>(editor->control()))
        s->setValue(std::min(100, s->maximum()));
    editor->endEdit();
    EXPECT_EQ(editor->lastWriteResult(), 0);
    for (int ch = 0; ch < 5; ++ch)
        EXPECT_EQ(countSetLines(*amp, QString("CH:%1,").arg(ch).toStdString()), 1) << "channel " << ch;
    EXPECT_EQ(countSetLines(*amp, "CH:7,"), 0);
    EXPECT_EQ(countSetLines(*amp, "CMD:SET"), before + 5);
    // Every written cell holds the new value.
    const QVariant written = t->parameterAt(0, c)->value().value;
    for (int r = 1; r < 5; ++r)
        EXPECT_EQ(t->parameterAt(r, c)->value().value, written) << r;
}

TEST_F(MainWindowTest, LostModuleGreysItsViewsAndItsButtonCloses)
{
    // A silent second is enough here: the read-back, not the library's long
    // wait for event data, notices the loss.
    QEventWatchdog::setTimes(10000, 1000);
    auto amp = SimProcess::start("p731x");
    auto disc = SimProcess::start("q2906");
    ASSERT_EQ(connect(8, *amp, "Amp"), 0);
    ASSERT_EQ(connect(15, *disc, "Disc"), 0);
    QSystemInterface* lost = at(0);
    ASSERT_TRUE(waitFor([&] { return lost->isListenerRunning(); }));
    amp->kill_now();
    ASSERT_TRUE(waitFor([&] { return messages.contains("Amp is no longer connected."); }, 60000));
    EXPECT_TRUE(lost->eventWatchdog()->hasReported());
    EXPECT_EQ(messages.shown.size(), 1u);   // told once
    QEventWatchdog::setTimes(10000, 4000);
    EXPECT_FALSE(window->tableWindowOf(0)->table()->isEnabled());
    // The values greyed too, not only the table around them.
    QTableWidgetItem* cell = window->tableWindowOf(0)->table()->item(0, 1);
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->background().color(), QColor(204, 204, 204));
    auto* bar = qobject_cast<QSystemStatusBar*>(lost->statusBar());
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->connectionStatusLabel()->text(), "DISCONNECTED");
    EXPECT_EQ(bar->okLightPicture(), ":/Resources/buttons/led_off.png");
    auto* box = qobject_cast<QCustomBox*>(lost->box());
    EXPECT_EQ(box->disconnectButtonText(), "Close");
    EXPECT_EQ(lost->root()->connectionState(), ZEVAHVNode::ConnectionLost);
    // The other module goes on.
    EXPECT_TRUE(window->tableWindowOf(1)->table()->isEnabled());

    box->disconnectButton()->click();
    ASSERT_EQ(window->systems().size(), 1u);
    EXPECT_EQ(at(0)->name(), "Disc");
}

TEST_F(MainWindowTest, EventStatusLightsAndServerFailure)
{
    auto amp = SimProcess::start("p731x");
    ASSERT_EQ(connect(8, *amp, "Amp"), 0);
    auto* bar = qobject_cast<QSystemStatusBar*>(at(0)->statusBar());
    ASSERT_NE(bar, nullptr);
    ZEVAHV_SYSTEMSTATUS_t status{};
    window->handleSystemEvStatus(at(0), status);
    EXPECT_EQ(bar->okLightPicture(), ":/Resources/buttons/led_on_mid.png");
    EXPECT_EQ(bar->warningLightPicture(), ":/Resources/buttons/led_off_mid.png");
    EXPECT_EQ(bar->errorLightPicture(), ":/Resources/buttons/led_off_mid.png");
    status.Board[5] = 2;
    window->handleSystemEvStatus(at(0), status);
    EXPECT_EQ(bar->okLightPicture(), ":/Resources/buttons/led_on_mid.png");
    EXPECT_EQ(bar->errorLightPicture(), ":/Resources/buttons/led_err_mid.png");
    // A status for a system no longer listed is dropped, not applied.
    window->handleSystemEvStatus(reinterpret_cast<QSystemInterface*>(0x10), status);

    emit window->tcpServerError();
    EXPECT_TRUE(waitFor([&] { return messages.contains("Unable to start tcp server."); }));
    EXPECT_FALSE(window->form()->menuConnect->isEnabled());
}

TEST_F(MainWindowTest, ClosingTheWindowClosesEverySystem)
{
    auto amp = SimProcess::start("p731x");
    auto disc = SimProcess::start("q2904");
    ASSERT_EQ(connect(8, *amp, "Amp"), 0);
    ASSERT_EQ(connect(12, *disc, "Disc"), 0);
    ASSERT_TRUE(waitFor([&] { return at(0)->isListenerRunning() && at(1)->isListenerRunning(); }));
    window->close();
    for (QSystemInterface* s : window->systems()) {
        if (s->isCustomView())
            continue;
        EXPECT_EQ(s->handle(), -1) << s->name().toStdString();
        EXPECT_FALSE(s->isListenerRunning()) << s->name().toStdString();
    }
    // Nothing talks to the modules any more.
    const std::string count = amp->control("count");
    EXPECT_EQ(amp->control("count"), count);
}

TEST_F(MainWindowTest, StrayConnectionLeavesALiveModuleLive)
{
    auto amp = SimProcess::start("p731x");
    ASSERT_EQ(connect(ZEVAHV_SYS_P731X, *amp, "Amp"), 0);
    ASSERT_TRUE(waitFor([&] { return at(0)->isListenerRunning(); }));

    // Another machine on the lab network (127.0.0.9 stands in for it)
    // connects to the event port, says a few words and goes.
    const int peer = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in from{};
    from.sin_family = AF_INET;
    ::inet_pton(AF_INET, "127.0.0.9", &from.sin_addr);
    ASSERT_EQ(::bind(peer, reinterpret_cast<sockaddr*>(&from), sizeof from), 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(window->eventPort());
    ::inet_pton(AF_INET, "127.0.0.1", &to.sin_addr);
    ASSERT_EQ(::connect(peer, reinterpret_cast<sockaddr*>(&to), sizeof to), 0);
    ASSERT_EQ(::send(peer, "hello", 5, MSG_NOSIGNAL), 5);
    ::close(peer);
    ASSERT_TRUE(waitFor([&] { return window->strayEventConnections() == 1; }));

    // The module stays live: its values still arrive, nothing was said.
    ZEVAHVNode* gain = at(0)->root()->findItem(0, 3, "FineGain");
    ASSERT_NE(gain, nullptr);
    EXPECT_EQ(amp->control("set 0 FGAIN 3 99").substr(0, 2), "OK");
    EXPECT_TRUE(waitFor([&] { return gain->value().value.toFloat() == 99.0f; }));
    EXPECT_TRUE(messages.shown.empty()) << messages.shown.front().text.toStdString();
    EXPECT_EQ(at(0)->root()->connectionState(), ZEVAHVNode::ConnectionOk);
    EXPECT_TRUE(window->tableWindowOf(0)->table()->isEnabled());
    EXPECT_EQ(qobject_cast<QCustomBox*>(at(0)->box())->disconnectButtonText(), "Disconnect");
}

TEST_F(MainWindowTest, EventsThatNeverArriveAreReportedForTheirSystem)
{
    // The module's events go to a port that takes them but is not the
    // program's, as when something on the way swallows them: subscribing
    // works, and no event connection ever reaches the program.
    QEventWatchdog::setTimes(1000, 4000);
    ASSERT_NE(window->eventPort(), 0);
    HangUpPort elsewhere;
    ZEVAHVEventPort::set(static_cast<quint16>(elsewhere.port()));
    auto amp = SimProcess::start("p731x");
    const int rc = connect(ZEVAHV_SYS_P731X, *amp, "Amp");
    ZEVAHVEventPort::set(window->eventPort());
    QEventWatchdog::setTimes(10000, 4000);
    ASSERT_EQ(rc, 0);
    ASSERT_TRUE(waitFor([&] { return messages.contains("Velmora can't reach connection\nwith Amp."); }));
    EXPECT_EQ(qobject_cast<QCustomBox*>(at(0)->box())->disconnectButtonText(), "Close");
    EXPECT_FALSE(at(0)->hasEventConnection());
    EXPECT_EQ(messages.shown.size(), 1u);
}
