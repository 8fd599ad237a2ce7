// The path every new operator takes first: the connect dialog, filled in by
// keyboard, pressed OK (or Cancel), against a simulated module, a port where
// nothing listens and a port that hangs up.  Also run on a real X server by
// the test command.
#include <QApplication>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <gtest/gtest.h>

#include "customcontrols.h"
#include "mainwindow.h"
#include "mainwindowform.h"
#include "qconnectdialog.h"
#include "qsysteminterface.h"
#include "shell_fixture.h"
#include "sim_process.h"

namespace {
class ConnectFlow : public WindowTest {
protected:
    void SetUp() override
    {
        QSettings(QConnectDialog::kOrganisation, QConnectDialog::kApplication).clear();
        WindowTest::SetUp();
        messages.runLoopPerMessage(true);
    }

    // Opens the dialog as File / Connect.. does and gives it the keyboard.
    QConnectDialog* openDialog()
    {
        window->createDialogForConnection();
        auto* d = window->findChild<QConnectDialog*>();
        EXPECT_NE(d, nullptr);
        if (!d)
            return nullptr;
        d->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(d));
        return d;
    }

    static QList<QCustomLineEdit*> octets(QConnectDialog* d) { return addressBoxes(d); }

    // Types as the operator does: every key goes where the focus is now.
    static void type(const QString& text)
    {
        for (QChar c : text) {
            QWidget* w = QApplication::focusWidget();
            ASSERT_NE(w, nullptr) << "no widget has the keyboard focus";
            QTest::keyClick(w, c.toLatin1());
        }
    }
    static void press(Qt::Key key)
    {
        QWidget* w = QApplication::focusWidget();
        ASSERT_NE(w, nullptr);
        QTest::keyClick(w, key);
    }

    // Name, address "127.0.0.1", Tab, port, Return.
    void fillAndPressEnter(QConnectDialog* d, const QString& name, int port)
    {
        d->findChild<QLineEdit*>("editCustName")->setText(name);
        QTest::mouseClick(octets(d)[0], Qt::LeftButton);
        type("127.0.0.1");
        QStringList shown;
        for (auto* o : octets(d))
            shown << o->text();
        EXPECT_EQ(shown.join("."), "127.0.0.1");   // "." moved on to the next box
        press(Qt::Key_Tab);
        type(QString::number(port));
        EXPECT_EQ(d->argumentText(), QString("127.0.0.1:%1_0").arg(port));
        EXPECT_TRUE(d->okEnabled());
        press(Qt::Key_Return);   // Enter presses OK
    }

    static QVariant setting(const char* key)
    {
        return QSettings(QConnectDialog::kOrganisation, QConnectDialog::kApplication).value(key);
    }
};
}

TEST_F(ConnectFlow, OkConnectsTheModuleAndRemembersTheChoices)
{
    auto sim = SimProcess::start("p731x");
    QPointer<QConnectDialog> d = openDialog();
    ASSERT_TRUE(d);
    fillAndPressEnter(d, "Amp", sim->port());
    ASSERT_TRUE(waitFor([&] { return window->systems().size() == 1; }));
    EXPECT_EQ(window->systems()[0]->name(), "Amp");
    EXPECT_EQ(window->systems()[0]->connectionArgument(), QString("127.0.0.1:%1_0").arg(sim->port()));
    EXPECT_EQ(window->windowTitle(), "Velmora - Amp");
    EXPECT_TRUE(messages.shown.empty());
    // The dialog deleted itself while the connection ran; the choices were
    // still stored.
    EXPECT_TRUE(waitFor([&] { return d.isNull(); }));
    EXPECT_EQ(setting("lastCustName").toString(), "Amp");
    EXPECT_EQ(setting("lastIpAddress").toString(), "127.0.0.1");
    EXPECT_EQ(setting("lastIpPort").toString(), QString::number(sim->port()));

    // The next dialog shows them again.
    QPointer<QConnectDialog> again = openDialog();
    ASSERT_TRUE(again);
    EXPECT_EQ(again->argumentText(), QString("127.0.0.1:%1_0").arg(sim->port()));
    EXPECT_TRUE(again->okEnabled());
    again->close();
}

TEST_F(ConnectFlow, RefusedAndHungUpPortsSayWhyAndListNothing)
{
    const int refused = deadPort();
    QPointer<QConnectDialog> d = openDialog();
    ASSERT_TRUE(d);
    fillAndPressEnter(d, "Amp", refused);
    ASSERT_TRUE(waitFor([&] { return !messages.shown.empty(); }));
    const QString text = messages.shown.front().text;
    EXPECT_TRUE(text.startsWith("Unable to connect to Amp.\nSome errors occourred.\n\n")) << text.toStdString();
    EXPECT_TRUE(text.contains("(result ")) << text.toStdString();
    EXPECT_TRUE(window->systems().empty());
    EXPECT_TRUE(waitFor([&] { return d.isNull(); }));
    EXPECT_EQ(setting("lastIpPort").toString(), QString::number(refused));

    HangUpPort hangUp;
    messages.shown.clear();
    QPointer<QConnectDialog> second = openDialog();
    ASSERT_TRUE(second);
    fillAndPressEnter(second, "Disc", hangUp.port());
    ASSERT_TRUE(waitFor([&] { return !messages.shown.empty(); }));
    EXPECT_TRUE(messages.shown.front().text.startsWith("Unable to connect to Disc.\nSome errors occourred.\n\n"));
    EXPECT_TRUE(window->systems().empty());
    EXPECT_TRUE(window->form()->menuConnect->isEnabled());
}

TEST_F(ConnectFlow, CancelConnectsNothingAndRemembersNothing)
{
    auto sim = SimProcess::start("q2906");
    QPointer<QConnectDialog> d = openDialog();
    ASSERT_TRUE(d);
    d->findChild<QLineEdit*>("editCustName")->setText("Disc");
    QTest::mouseClick(octets(d)[0], Qt::LeftButton);
    type("127.0.0.1");
    press(Qt::Key_Tab);
    type(QString::number(sim->port()));
    ASSERT_TRUE(d->okEnabled());
    QTest::mouseClick(d->findChild<QPushButton*>("cancelButton"), Qt::LeftButton);
    EXPECT_TRUE(waitFor([&] { return d.isNull(); }));
    QTest::qWait(200);
    EXPECT_TRUE(window->systems().empty());
    EXPECT_FALSE(setting("lastCustName").isValid());
    EXPECT_TRUE(setCommands(*sim).empty());
}
