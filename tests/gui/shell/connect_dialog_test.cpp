// The connect dialog: the argument it builds for each link, when OK may be
// pressed, and what it remembers for the next time.
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <gtest/gtest.h>

#include "customcontrols.h"
#include "qconnectdialog.h"
#include "serialports.h"
#include "shell_fixture.h"

namespace {
class ConnectDialogTest : public ::testing::Test {
protected:
    void SetUp() override { QSettings(QConnectDialog::kOrganisation, QConnectDialog::kApplication).clear(); }

    // The dialog deletes itself when it closes; tests keep it open.
    QConnectDialog* open() { return new QConnectDialog(nullptr, 0, nullptr); }

    static QList<QCustomLineEdit*> octets(QConnectDialog* d) { return addressBoxes(d); }
    static void typeAddress(QConnectDialog* d, const QStringList& parts)
    {
        const auto fields = octets(d);
        for (int i = 0; i < 4; ++i) {
            fields[i]->clear();
            QTest::keyClicks(fields[i], parts[i]);
        }
    }
    static QComboBox* combo(QConnectDialog* d, const char* name) { return d->findChild<QComboBox*>(name); }
    static void pressOk(QConnectDialog* d) { d->findChild<QPushButton*>("okButton")->click(); }
};
}

TEST_F(ConnectDialogTest, TcpAddressGivesTheArgumentAndIsRememberedForNextTime)
{
    QConnectDialog* d = open();
    EXPECT_EQ(d->windowTitle(), "Connect to Device");
    EXPECT_FALSE(d->okEnabled());   // nothing typed yet
    ASSERT_EQ(octets(d).size(), 4);
    d->findChild<QLineEdit*>("editCustName")->setText("Amp7");
    typeAddress(d, {"192", "168", "0", "1"});
    // The LBus address was never touched: its box shows 0, and 0 is used.
    EXPECT_TRUE(d->okEnabled());
    pressOk(d);
    const ConnectionRequest r = d->lastRequest();
    EXPECT_EQ(r.systemType, 8);
    EXPECT_EQ(r.linkType, 0);
    EXPECT_EQ(r.argument, "192.168.0.1_0");
    EXPECT_EQ(r.name, "Amp7");
    EXPECT_EQ(r.password, "");

    QConnectDialog* again = open();
    EXPECT_EQ(again->findChild<QLineEdit*>("editCustName")->text(), "Amp7");
    QStringList shown;
    for (auto* o : octets(again))
        shown << o->text();
    EXPECT_EQ(shown.join("."), "192.168.0.1");
    EXPECT_TRUE(again->okEnabled());
    combo(again, "comboPSType")->setCurrentIndex(2);
    combo(again, "tcpLBusAddr")->setCurrentIndex(3);
    pressOk(again);
    EXPECT_EQ(again->lastRequest().systemType, 15);
    EXPECT_EQ(again->lastRequest().argument, "192.168.0.1_3");

    QConnectDialog* third = open();
    EXPECT_EQ(combo(third, "comboPSType")->currentIndex(), 2);
    EXPECT_EQ(combo(third, "tcpLBusAddr")->currentIndex(), 3);
    EXPECT_EQ(combo(third, "comboConnType")->currentIndex(), 0);
    third->close();
    QSettings s(QConnectDialog::kOrganisation, QConnectDialog::kApplication);
    EXPECT_FALSE(s.contains("lastPassword"));
    EXPECT_EQ(s.value("lastIpAddress").toString(), "192.168.0.1");
}

TEST_F(ConnectDialogTest, AddressesThatReachNoModuleKeepOkDisabled)
{
    QConnectDialog* d = open();
    typeAddress(d, {"0", "0", "0", "0"});
    EXPECT_FALSE(d->okEnabled());
    typeAddress(d, {"255", "255", "255", "255"});
    EXPECT_FALSE(d->okEnabled());
    // Leading zeros go, so the argument names the address the module has.
    typeAddress(d, {"010", "0", "0", "07"});
    EXPECT_EQ(octets(d)[0]->text(), "10");
    EXPECT_EQ(octets(d)[3]->text(), "7");
    EXPECT_TRUE(d->okEnabled());
    // A field emptied by the operator reads 0 ...
    octets(d)[2]->clear();
    EXPECT_EQ(octets(d)[2]->text(), "0");
    // ... but one never filled in is no address at all.
    QConnectDialog* fresh = open();
    QTest::keyClicks(octets(fresh)[0], "10");
    EXPECT_EQ(octets(fresh)[1]->text(), "");
    EXPECT_FALSE(fresh->okEnabled());
    fresh->close();
    d->close();
}

TEST_F(ConnectDialogTest, SerialLinkArgumentListsEverySetting)
{
    QConnectDialog* d = open();
    combo(d, "comboConnType")->setCurrentIndex(1);
    EXPECT_TRUE(d->okEnabled());   // every serial field has a default
    combo(d, "comboDialogChild")->setCurrentIndex(combo(d, "comboDialogChild")->findText("COM3"));
    combo(d, "baudRate")->setCurrentIndex(combo(d, "baudRate")->findText("115200"));
    combo(d, "stopBits")->setCurrentIndex(2);
    combo(d, "parity")->setCurrentIndex(1);
    combo(d, "vcpLBusAddr")->setCurrentIndex(5);
    EXPECT_EQ(combo(d, "dataBits")->currentText(), "8");
    combo(d, "comboPSType")->setCurrentIndex(1);
    pressOk(d);
    EXPECT_EQ(d->lastRequest().argument, "COM3_115200_8_2_1_5");
    EXPECT_EQ(d->lastRequest().linkType, 5);
    EXPECT_EQ(d->lastRequest().systemType, 12);

    QConnectDialog* again = open();
    EXPECT_EQ(combo(again, "comboConnType")->currentIndex(), 1);
    EXPECT_EQ(combo(again, "comboDialogChild")->currentText(), "COM3");
    EXPECT_EQ(combo(again, "baudRate")->currentText(), "115200");
    EXPECT_EQ(combo(again, "parity")->currentIndex(), 1);
    // A hand-typed device path is kept; one with the argument's separator
    // cannot be sent and keeps OK disabled.
    combo(again, "comboDialogChild")->setEditText("/dev/pts/4");
    EXPECT_TRUE(again->okEnabled());
    combo(again, "comboDialogChild")->setEditText("tty_USB0");
    EXPECT_FALSE(again->okEnabled());
    combo(again, "comboDialogChild")->setEditText("");
    EXPECT_FALSE(again->okEnabled());
    again->close();
}

TEST_F(ConnectDialogTest, StoredValuesWithoutAMatchLeaveTheDefaults)
{
    {
        QSettings s(QConnectDialog::kOrganisation, QConnectDialog::kApplication);
        s.setValue("lastPSType", 9);
        s.setValue("lastConnType", -2);
        s.setValue("lastIpAddress", "10.0.0");
        s.setValue("lastBaudRate", 76800);
        s.setValue("lastLBusAddrTCP", 40);
    }
    QConnectDialog* d = open();
    EXPECT_EQ(combo(d, "comboPSType")->currentIndex(), 0);
    EXPECT_EQ(combo(d, "comboConnType")->currentIndex(), 0);
    EXPECT_EQ(combo(d, "baudRate")->currentText(), "300");
    EXPECT_EQ(combo(d, "tcpLBusAddr")->currentIndex(), 0);
    for (auto* o : octets(d))
        EXPECT_EQ(o->text(), "");
    EXPECT_FALSE(d->okEnabled());
    d->close();
}

TEST_F(ConnectDialogTest, PortBoxPastedAddressAndPlaceholder)
{
    QConnectDialog* d = open();
    // The placeholder is shown whole.
    auto* name = d->findChild<QLineEdit*>("editCustName");
    EXPECT_GE(name->minimumWidth(), name->fontMetrics().horizontalAdvance("insert custom name here.."));
    // An address with its port, pasted into the first box, fills them all.
    QGuiApplication::clipboard()->setText(" 10.1.2.3:4701 ");
    QTest::keyClick(octets(d)[0], Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(d->argumentText(), "10.1.2.3:4701_0");
    EXPECT_TRUE(d->okEnabled());
    // A port of 0 is none: OK stays off until it is one or empty.
    auto* port = d->findChild<QLineEdit*>("ipPort");
    ASSERT_NE(port, nullptr);
    port->setText("0");
    EXPECT_FALSE(d->okEnabled());
    port->clear();
    EXPECT_TRUE(d->okEnabled());
    EXPECT_EQ(d->argumentText(), "10.1.2.3_0");
    // Something else pasted is left to the box (which takes no letters).
    QGuiApplication::clipboard()->setText("not.an.address");
    QTest::keyClick(octets(d)[1], Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(octets(d)[1]->text(), "1");
    d->close();
}

TEST(SerialPorts, PortsOfThisMachineAndNamesAnArgumentCanCarry)
{
    QTemporaryDir dev(QDir::tempPath() + "/ports-XXXXXX");   // no "_" in the path
    ASSERT_TRUE(dev.isValid());
    const QDir root(dev.path());
    for (const char* f : {"ttyUSB1", "ttyUSB0", "ttyACM0", "ttyS0", "null"}) {
        QFile file(root.filePath(f));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    ASSERT_TRUE(root.mkpath("serial/by-id"));
    const QString stable = root.filePath("serial/by-id/usb-ZEVA_NIM_A1B2-if00-port0");
    ASSERT_TRUE(QFile::link(root.filePath("ttyUSB0"), stable));

    EXPECT_EQ(availableSerialPorts(dev.path()),
              QStringList({root.filePath("ttyUSB0"), root.filePath("ttyUSB1"), root.filePath("ttyACM0"), stable}));
    // "_" separates the argument's fields: a stable name holding one is
    // opened through the device it names; a name that cannot be is refused.
    EXPECT_EQ(argumentPortName(stable), QFileInfo(root.filePath("ttyUSB0")).canonicalFilePath());
    EXPECT_EQ(argumentPortName(" /dev/pts/7 "), "/dev/pts/7");
    EXPECT_EQ(argumentPortName("COM3"), "COM3");
    EXPECT_EQ(argumentPortName("no_such_port"), "");
}
