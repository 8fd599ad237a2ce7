// An operator never sends a value he did not type: a value out of range, one
// that is no number, one with too many decimals or an empty field is
// refused with a message and nothing reaches the module, in a table cell
// and in the information panel alike.  A good value is written once.
#include <QAbstractSpinBox>
#include <QApplication>
#include <QFocusEvent>
#include <QTest>
#include <gtest/gtest.h>

#include "mainwindow.h"
#include "qcustomtablewidget.h"
#include "qsubwindow.h"
#include "qsysteminformations.h"
#include "qsysteminterface.h"
#include "shell_fixture.h"
#include "sim_process.h"
#include "zevahvnode.h"
#include "zevahvwidgetitem.h"

namespace {
class EditorRules : public WindowTest {
protected:
    void connectAmplifier()
    {
        sim = SimProcess::start("p731x");
        ASSERT_EQ(window->connectToSystem(ZEVAHV_SYS_P731X, ZEVAHV_LINK_TCPIP,
                                          QString::fromStdString(sim->tcp_arg()), "Amp", "", ""),
                  0);
        table = window->tableWindowOf(0)->table();
    }

    // The editor of a table cell, opened as a click would.
    ZEVAHVWidgetItem* openCell(int row, const QString& column)
    {
        const int c = table->columnOf(column);
        EXPECT_GE(c, 0) << column.toStdString();
        table->setCurrentCell(row, c);
        if (!table->findChild<ZEVAHVWidgetItem*>())
            table->editItem(table->item(row, c));
        return table->findChild<ZEVAHVWidgetItem*>();
    }

    // Types `text` over the field's contents and presses Return; true when
    // a message was shown for it (and the messages are cleared).
    bool typeAndRefused(ZEVAHVWidgetItem* editor, const QString& text, const QString& says)
    {
        auto* spin = qobject_cast<QAbstractSpinBox*>(editor->control());
        if (!spin)
            return false;
        spin->selectAll();
        QTest::keyClick(spin, Qt::Key_Delete);
        QTest::keyClicks(spin, text);
        EXPECT_EQ(spin->text(), text);   // kept as typed, not cut or dropped
        QTest::keyClick(spin, Qt::Key_Return);
        const bool shown = waitFor([&] { return messages.contains(says); }, 5000);
        messages.shown.clear();
        return shown;
    }

    static void loseFocus(QWidget* w)
    {
        QFocusEvent out(QEvent::FocusOut, Qt::OtherFocusReason);
        QApplication::sendEvent(w, &out);
        QApplication::processEvents();
    }

    std::unique_ptr<SimProcess> sim;
    QCustomTableWidget* table = nullptr;
};
}

TEST_F(EditorRules, BadInputInACellIsRefusedAndNothingIsWritten)
{
    connectAmplifier();
    ZEVAHVWidgetItem* editor = openCell(0, "FineGain");
    ASSERT_NE(editor, nullptr);
    auto* spin = qobject_cast<QAbstractSpinBox*>(editor->control());
    ASSERT_NE(spin, nullptr);
    const QString before = spin->text();
    int refusals = 0;
    QObject::connect(editor, &ZEVAHVWidgetItem::inputRefused, [&] { ++refusals; });

    EXPECT_TRUE(typeAndRefused(editor, "300", "300 is out of range for FineGain."));
    EXPECT_EQ(spin->text(), before);   // the module's value again
    EXPECT_TRUE(typeAndRefused(editor, "12ab", "\"12ab\" is not a number."));
    EXPECT_TRUE(typeAndRefused(editor, "7.5", "more decimals than FineGain takes"));
    EXPECT_TRUE(typeAndRefused(editor, "", "No value was typed for FineGain."));
    EXPECT_EQ(refusals, 4);
    // Leaving the field after a refusal sends nothing either (the spin box
    // still reports the refused text's change when it loses the focus).
    loseFocus(spin);
    table->setCurrentCell(5, 0);
    QApplication::processEvents();
    QTest::qWait(100);
    EXPECT_TRUE(setCommands(*sim).empty()) << setCommands(*sim).front();
    EXPECT_TRUE(table->item(0, table->columnOf("FineGain"))->text().startsWith(before));

    // A good value is written, once.
    ZEVAHVWidgetItem* again = openCell(0, "FineGain");
    ASSERT_NE(again, nullptr);
    auto* spin2 = qobject_cast<QAbstractSpinBox*>(again->control());
    spin2->selectAll();
    QTest::keyClicks(spin2, "77");
    QTest::keyClick(spin2, Qt::Key_Return);
    QApplication::processEvents();
    const auto sets = setCommands(*sim);
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_NE(sets[0].find("CH:0,PAR:FGAIN,VAL:077"), std::string::npos) << sets[0];
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(EditorRules, BadInputInTheInformationPanelIsRefusedToo)
{
    connectAmplifier();
    QSystemInterface* sys = window->systems().at(0);
    auto* panel = qobject_cast<QSystemInformations*>(sys->informationPanel());
    ASSERT_NE(panel, nullptr);
    auto* offset = panel->findChild<ZEVAHVWidgetItem*>(QString("%1:0:Offset").arg(sys->handle()));
    ASSERT_NE(offset, nullptr);
    EXPECT_TRUE(typeAndRefused(offset, "999", "999 is out of range for Offset."));
    EXPECT_TRUE(typeAndRefused(offset, "-3", "-3 is out of range for Offset."));
    EXPECT_TRUE(typeAndRefused(offset, "ten", "\"ten\" is not a number."));
    loseFocus(offset->control());
    EXPECT_TRUE(setCommands(*sim).empty()) << setCommands(*sim).front();
    EXPECT_EQ(offset->lastWriteResult(), 0);
    EXPECT_FALSE(offset->committedValue().isValid());
}
