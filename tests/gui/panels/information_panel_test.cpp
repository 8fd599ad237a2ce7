// The information panel: its header for each system type, its rows on
// trees built here, and on a simulated P731X inside the main window: the
// board parameters as rows, a write through an editor reaching the module,
// and events that update the editors except the one being typed in.
#include <QAbstractSpinBox>
#include <QApplication>
#include <QDockWidget>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

#include "mainwindow.h"
#include "panel_fixture.h"
#include "qsysteminformations.h"
#include "qsysteminterface.h"
#include "sim_process.h"
#include "zevahvnode.h"
#include "zevahvswitch.h"
#include "zevahvwidgetitem.h"

namespace {
QString familyOf(int type, int link = 0, const QString& arg = "10.0.0.1_0")
{
    return QSystemInformations::familyText(type, link, arg);
}

ZEVAHVNode* addBoardParameter(ZEVAHVNode* board, const QString& name, int mode, int valueType = 6)
{
    auto* p = new ZEVAHVNode(name, ZEVAHVNode::KindBoardParameter);
    p->setAccessMode(mode);
    p->setValueType(valueType);
    p->setSlot(board->slot());
    board->addParameter(p);
    p->setValue(ZEVAHVTimedValue::now(1.0));
    return p;
}

// An interface that is never connected, holding a tree built here.
std::unique_ptr<QSystemInterface> offlineSystem(int type, int link, const QString& arg, ZEVAHVNode* root)
{
    auto sysIf = std::make_unique<QSystemInterface>(type, link, arg, "Offline", 0);
    sysIf->setRoot(root);
    return sysIf;
}
}

TEST(PanelFamilyText, EachSystemTypeNamesItsFamily)
{
    EXPECT_EQ(familyOf(2), "KR2440\nUniversal Multichannel\nPower Supply System");
    EXPECT_EQ(familyOf(3), "KR2550\nUniversal Multichannel\nPower Supply System");
    EXPECT_EQ(familyOf(6), "NIM HV\nPower Supply");
    for (int amplifier : {8, 12, 15})
        EXPECT_EQ(familyOf(amplifier), "NIM module\nSpectroscopy Amplifier\n");
    for (int other : {-1, 0, 1, 7, 9, 10, 11, 13, 14})
        EXPECT_EQ(familyOf(other), "Misc") << other;

    // A VME crate names its link; an argument too short names nothing.
    EXPECT_EQ(familyOf(5, 3, "2"), "VME HV Crate\nUSB 2");
    EXPECT_EQ(familyOf(5, 4, "013"), "VME HV Crate\nOPTICAL LINK 013");
    EXPECT_EQ(familyOf(5, 4, "01"), "VME HV Crate\n");
    EXPECT_EQ(familyOf(5, 3, ""), "VME HV Crate\n");
    EXPECT_EQ(familyOf(5, 0, "10.0.0.1"), "VME HV Crate\n");

    // The address line: modules over TCP and serial links only.
    EXPECT_EQ(QSystemInformations::addressFor(8, 0, "192.168.0.10_3"), "192.168.0.10");
    EXPECT_EQ(QSystemInformations::addressFor(15, 5, "COM4_9600_8_0_0_0"), "COM4");
    EXPECT_EQ(QSystemInformations::addressFor(6, 5, "ttyUSB0"), "ttyUSB0");   // no "_": whole
    EXPECT_EQ(QSystemInformations::addressFor(12, 3, "0"), "");              // not over USB
    EXPECT_EQ(QSystemInformations::addressFor(3, 0, "10.0.0.1"), "");        // not a module
    EXPECT_EQ(QSystemInformations::addressFor(8, 0, ""), "");
}

TEST(PanelHeader, NoSlotsKeepsTheDefaultTitleAndNoSerialLine)
{
    auto sysIf = offlineSystem(3, 0, "10.0.0.1", makeTree("Crate", {}, {}, 3));
    QSystemInformations panel("Crate", 0, sysIf.get());
    EXPECT_EQ(panel.title(), "NIM unit");
    EXPECT_EQ(panel.serialText(), "");
    EXPECT_EQ(panel.headerText(), "KR2550\nUniversal Multichannel\nPower Supply System");
    EXPECT_EQ(panel.findChild<QLabel*>("serialLabel"), nullptr);
}

TEST(PanelHeader, AmplifierHeaderIsTheModelOfTheFirstPresentBoard)
{
    ZEVAHVNode* root = makeTree("Amp", {0, 16}, {"FineGain"}, 12);
    ZEVAHVNode* board = boardAt(root, 1);
    board->setModel("Q2904GE");
    board->setSerialNumber(417);
    board->setFirmwareReleases("07", "02");
    auto sysIf = offlineSystem(12, 0, "10.1.2.3_5", root);
    QSystemInformations panel("Amp", 0, sysIf.get());
    EXPECT_EQ(panel.title(), "Q2904GE");
    EXPECT_EQ(panel.headerText(), "Q2904GE\nSpectroscopy Amplifier\n");
    EXPECT_EQ(panel.serialText(), "S/N: 417 Rel.: 02.07");
    EXPECT_EQ(panel.addressText(), "10.1.2.3");

    // A Q2906 keeps the family text even with a model.
    ZEVAHVNode* root15 = makeTree("Disc", {16}, {}, 15);
    boardAt(root15, 0)->setModel("Q2906");
    auto sys15 = offlineSystem(15, 0, "10.1.2.4_0", root15);
    QSystemInformations panel15("Disc", 0, sys15.get());
    EXPECT_EQ(panel15.headerText(), "NIM module\nSpectroscopy Amplifier\n");
}

TEST(PanelRows, OneNamedEditorPerBoardParameterButNoWriteOnlyRowsOnAQ3815)
{
    ZEVAHVNode* root = makeTree("HV", {4, 4}, {}, 6);
    root->setHandle(7);
    ZEVAHVNode* board0 = boardAt(root, 0);
    addBoardParameter(board0, "BdAlarm", ZEVAHVNode::ReadOnly, 0);
    addBoardParameter(board0, "ClrAlarm", ZEVAHVNode::WriteOnly, 8);
    addBoardParameter(board0, "Temp", ZEVAHVNode::ReadOnly);
    ZEVAHVNode* board1 = boardAt(root, 1);
    ZEVAHVNode* offset1 = addBoardParameter(board1, "Offset", ZEVAHVNode::ReadWrite);
    auto sysIf = offlineSystem(6, 5, "ttyUSB0_9600_8_0_0_0", root);

    QSystemInformations panel("HV", 0, sysIf.get());
    panel.buildRows(0);
    EXPECT_EQ(panel.rowCount(), 2);
    EXPECT_NE(panel.findChild<ZEVAHVWidgetItem*>("7:0:BdAlarm"), nullptr);
    EXPECT_EQ(panel.findChild<ZEVAHVWidgetItem*>("7:0:ClrAlarm"), nullptr);
    EXPECT_NE(panel.findChild<ZEVAHVWidgetItem*>("7:0:Temp"), nullptr);
    panel.buildRows(1);   // rows are built once
    EXPECT_EQ(panel.rowCount(), 2);
    EXPECT_EQ(panel.editorFor(offset1), nullptr);

    QSystemInformations other("HV", 0, sysIf.get());
    other.buildRows(2);   // past the last board: nothing
    EXPECT_EQ(other.rowCount(), 0);
    other.buildRows(1);
    EXPECT_NE(other.editorFor(offset1), nullptr);
}

// --- a P731X inside the main window --------------------------------------

namespace {
class PanelWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        sim = SimProcess::start("p731x", {"--serial", "5123", "--fwrel", "3.4"});
        window = MainWindow::getInstance();
        ASSERT_EQ(window->connectToSystem(8, 0, QString::fromStdString(sim->tcp_arg()), "Amp", "", ""), 0)
            << messages.texts().join("|").toStdString();
        sysIf = window->systems().at(0);
        panel = qobject_cast<QSystemInformations*>(sysIf->informationPanel());
        ASSERT_NE(panel, nullptr);
        board = sysIf->root()->children().at(0);
    }
    void TearDown() override
    {
        if (window) {
            window->close();
            delete window;
        }
    }
    ZEVAHVWidgetItem* editor(const QString& name) { return panel->editorFor(board->findParameter(name)); }
    bool logHas(const std::string& a, const std::string& b)
    {
        for (const std::string& l : sim->log_lines())
            if (l.rfind("> ", 0) == 0 && l.find(a) != std::string::npos && l.find(b) != std::string::npos)
                return true;
        return false;
    }

    MessageRecorder messages;
    std::unique_ptr<SimProcess> sim;
    MainWindow* window = nullptr;
    QSystemInterface* sysIf = nullptr;
    QSystemInformations* panel = nullptr;
    ZEVAHVNode* board = nullptr;
};
}

TEST_F(PanelWindowTest, ShowsTheModuleAndOneRowPerBoardParameter)
{
    EXPECT_EQ(panel->title(), board->model());
    EXPECT_TRUE(panel->headerText().startsWith("P731X"));
    EXPECT_TRUE(panel->headerText().endsWith("\nSpectroscopy Amplifier\n"));
    EXPECT_EQ(panel->serialText(), QString("S/N: 5123 Rel.: %1.%2")
                                       .arg(board->firmwareRelease2(), board->firmwareRelease1()));
    EXPECT_EQ(panel->addressText(), "127.0.0.1:" + QString::number(sim->port()));

    EXPECT_EQ(panel->rowCount(), 3);
    for (const char* name : {"Offset", "MuxOut", "LastCh"}) {
        const QString objectName = QString("%0:0:%1").arg(sysIf->handle()).arg(name);
        EXPECT_NE(panel->findChild<ZEVAHVWidgetItem*>(objectName), nullptr) << objectName.toStdString();
    }
    EXPECT_NE(qobject_cast<ZEVAHVSwitch*>(editor("MuxOut")->control()), nullptr);
    auto* lastCh = qobject_cast<QAbstractSpinBox*>(editor("LastCh")->control());
    ASSERT_NE(lastCh, nullptr);
    EXPECT_TRUE(lastCh->isReadOnly());

    if (auto* dock = window->findChild<QDockWidget*>())
        saveScreenshot(dock, "information-panel.png");
}

TEST_F(PanelWindowTest, AValueTypedIntoAnEditorReachesTheModule)
{
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    auto* spin = qobject_cast<QDoubleSpinBox*>(editor("Offset")->control());
    ASSERT_NE(spin, nullptr);
    spin->setFocus();
    spin->selectAll();
    QTest::keyClicks(spin, "123");
    QTest::keyClick(spin, Qt::Key_Return);

    EXPECT_EQ(editor("Offset")->lastWriteResult(), 0);
    EXPECT_TRUE(logHas("PAR:OFFSET", "VAL:123"));
    EXPECT_EQ(sim->control("get 0 OFFSET -1").rfind("OK 123", 0), 0u);

    QTest::mouseClick(editor("MuxOut")->control(), Qt::LeftButton);
    EXPECT_TRUE(logHas("PAR:MUXEN", "VAL:"));
}

TEST_F(PanelWindowTest, EventsUpdateEditorsButSpareTheOneWithTheFocus)
{
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    auto* offsetSpin = qobject_cast<QDoubleSpinBox*>(editor("Offset")->control());
    auto* muxSwitch = qobject_cast<ZEVAHVSwitch*>(editor("MuxOut")->control());
    ASSERT_NE(offsetSpin, nullptr);
    ASSERT_NE(muxSwitch, nullptr);
    const double before = offsetSpin->value();
    const bool muxBefore = muxSwitch->isChecked();
    offsetSpin->setFocus();
    ASSERT_TRUE(waitFor([&] { return offsetSpin->hasFocus(); }, 5000));

    const int newOffset = before == 77 ? 78 : 77;
    ASSERT_EQ(sim->control("set 0 OFFSET -1 " + std::to_string(newOffset)).rfind("OK", 0), 0u);
    ASSERT_EQ(sim->control(std::string("set 0 MUXEN -1 ") + (muxBefore ? "0" : "1")).rfind("OK", 0), 0u);

    ZEVAHVNode* offset = board->findParameter("Offset");
    ASSERT_TRUE(waitFor([&] { return offset->value().value.toDouble() == newOffset; }))
        << "no event for Offset";
    ASSERT_TRUE(waitFor([&] { return muxSwitch->isChecked() != muxBefore; })) << "MuxOut editor not updated";
    EXPECT_DOUBLE_EQ(offsetSpin->value(), before);   // the operator's field is left alone
}
