// The channel table over device trees built by hand: columns, row headers,
// the empty view, colours, alarms and the one-column selection.
#include <QHeaderView>
#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

#include "qcustomtablewidget.h"
#include "qsubwindow.h"
#include "shell_fixture.h"
#include "zevahvmirrornode.h"
#include "zevahvnode.h"

namespace {
QStringList headers(QCustomTableWidget* t)
{
    QStringList out;
    for (int c = 0; c < t->columnCount(); ++c)
        out << t->horizontalHeaderItem(c)->text();
    return out;
}
QColor background(QCustomTableWidget* t, int r, int c) { return t->item(r, c)->background().color(); }
}

TEST(ChannelTable, FixedColumnsLeadAndOtherParametersFollowInTheOrderMet)
{
    std::unique_ptr<ZEVAHVNode> root(makeSystem("Crate1", {0, 2},
        {{"THR"}, {"Pw", 8}, {"VMon", 6, 0}, {"V0Set"}, {"GAIN"}}));
    QSubWindow w(nullptr, 0, root.get(), false);
    w.firstBuild();
    QCustomTableWidget* t = w.table();
    EXPECT_EQ(headers(t), QStringList({"V0Set", "VMon", "Pw", "THR", "GAIN"}));
    ASSERT_EQ(t->rowCount(), 2);
    EXPECT_EQ(t->verticalHeaderItem(1)->text(), "01.001");
    // The cell is the tree's node itself.
    ZEVAHVNode* thr = root->children()[1]->children()[1]->findParameter("THR");
    EXPECT_EQ(t->item(1, 3), thr);
    // Read-only cells cannot be selected or edited; the others can.
    ZEVAHVNode* vmon = root->children()[1]->children()[0]->findParameter("VMon");
    EXPECT_EQ(vmon->flags(), Qt::ItemIsEnabled);
    EXPECT_TRUE(thr->flags() & Qt::ItemIsEditable);

    // The custom view has no fixed columns: names in the order first met.
    std::unique_ptr<ZEVAHVNode> gather(new ZEVAHVNode("customView", ZEVAHVNode::KindEmpty));
    gather->addChild(root.get());
    {
        QSubWindow custom(nullptr, 1, gather.get(), true);
        custom.firstBuild();
        EXPECT_EQ(headers(custom.table()), QStringList({"THR", "Pw", "VMon", "V0Set", "GAIN"}));
        EXPECT_EQ(custom.table()->verticalHeaderItem(0)->text(), "(Crate1)01.000");
        // The mirror stands in the second table; the node stays in the first.
        EXPECT_EQ(custom.table()->item(1, 0), thr->mirror());
        EXPECT_EQ(t->item(1, 3), thr);
    }
    gather->removeChild(root.get());
    // Closing the custom view did not take the system's cells with it.
    EXPECT_EQ(t->item(1, 3), thr);
}

TEST(ChannelTable, RowHeaderNames)
{
    EXPECT_EQ(QCustomTableWidget::rowHeaderText("Board10", "Chan003", "", false), "10.003");
    EXPECT_EQ(QCustomTableWidget::rowHeaderText("Bd10", "Ch3", "", false), "Bd10.Ch3");
    EXPECT_EQ(QCustomTableWidget::rowHeaderText("Board03", "Chan005", "Crate1", true), "(Crate1)03.005");
}

TEST(ChannelTable, SystemWithoutChannelsShowsTheEmptyLabel)
{
    std::unique_ptr<ZEVAHVNode> root(makeSystem("Empty", {0, 0}, {}));
    QSubWindow w(nullptr, 0, root.get(), false);
    w.firstBuild();
    ASSERT_NE(w.emptyLabel(), nullptr);
    EXPECT_EQ(w.emptyLabel()->text(), "No channels present");
    EXPECT_TRUE(w.table()->isHidden());
    // A refresh keeps exactly one label.
    w.refresh();
    EXPECT_EQ(w.findChildren<QLabel*>().size(), 1);
}

TEST(ChannelTable, HiddenRowsAndPlaceholdersKeepTheStripes)
{
    std::unique_ptr<ZEVAHVNode> root(makeSystem("S", {4}, {{"Pw", 8}, {"GAIN"}}));
    root->children()[0]->children()[2]->setEnabled(false);   // channel 2 hidden
    QSubWindow w(nullptr, 0, root.get(), false);
    w.firstBuild();
    QCustomTableWidget* t = w.table();
    EXPECT_TRUE(t->isRowHidden(2));
    const QColor even(238, 238, 238), odd(213, 213, 213);
    const int gain = t->columnOf("GAIN");
    EXPECT_EQ(background(t, 0, gain), even);
    EXPECT_EQ(background(t, 1, gain), odd);
    EXPECT_EQ(background(t, 3, gain), even);   // the next visible row after the hidden one

    // Power on paints the row header green, off grey.
    ZEVAHVNode* pw0 = root->children()[0]->children()[0]->findParameter("Pw");
    pw0->setValue(ZEVAHVTimedValue::now(true));
    t->alternateRowColors();
    EXPECT_EQ(t->verticalHeaderItem(0)->background().color(), QColor(53, 169, 18));
    pw0->setValue(ZEVAHVTimedValue::now(false));
    EXPECT_EQ(t->verticalHeaderItem(0)->background().color(), QColor(128, 128, 128));
}

TEST(ChannelTable, AlarmPaintsTheRowRedUntilTheChannelIsHealthyAgain)
{
    std::unique_ptr<ZEVAHVNode> root(makeSystem("S", {3}, {{"Pw", 8}, {"Status", 2, 0}, {"GAIN"}}));
    QSubWindow w(nullptr, 0, root.get(), false);
    w.firstBuild();
    QCustomTableWidget* t = w.table();
    ZEVAHVNode* status = root->children()[0]->children()[1]->findParameter("Status");
    w.markRow(false, status);
    const int gain = t->columnOf("GAIN");
    EXPECT_EQ(background(t, 1, gain), QColor(238, 0, 0));
    EXPECT_EQ(t->item(1, gain)->foreground().color(), QColor(Qt::white));
    // A recolouring (a click on a header, a refresh) keeps the alarm.
    t->alternateRowColors();
    EXPECT_EQ(background(t, 1, gain), QColor(238, 0, 0));
    w.markRow(true, status);
    EXPECT_EQ(background(t, 1, gain), QColor(213, 213, 213));
    EXPECT_EQ(t->item(1, gain)->foreground().color(), QColor(Qt::black));
}

TEST(ChannelTable, SelectionStaysInOneColumn)
{
    std::unique_ptr<ZEVAHVNode> root(makeSystem("S", {4}, {{"Name", 7}, {"THR"}, {"GAIN"}}));
    QSubWindow w(nullptr, 0, root.get(), false);
    w.resize(600, 400);
    w.show();
    w.firstBuild();
    QCustomTableWidget* t = w.table();
    const int thr = t->columnOf("THR"), gain = t->columnOf("GAIN");
    t->setCurrentCell(0, thr);
    for (int r = 0; r < 3; ++r)
        t->item(r, thr)->setSelected(true);
    t->item(1, gain)->setSelected(true);
    t->setCurrentCell(1, gain, QItemSelectionModel::NoUpdate);
    QTest::mouseRelease(t->viewport(), Qt::LeftButton, {}, t->visualItemRect(t->item(1, gain)).center());
    ASSERT_EQ(t->selectedItems().size(), 1);
    EXPECT_EQ(t->selectedItems().first(), t->item(1, gain));

    // Several cells of one column survive a release.
    for (int r = 0; r < 4; ++r)
        t->item(r, thr)->setSelected(true);
    t->item(1, gain)->setSelected(false);
    t->setCurrentCell(0, thr, QItemSelectionModel::NoUpdate);
    QTest::mouseRelease(t->viewport(), Qt::LeftButton, {}, t->visualItemRect(t->item(0, thr)).center());
    EXPECT_EQ(t->selectedItems().size(), 4);
    // Left or Right leaves only the current cell.
    QTest::keyClick(t, Qt::Key_Right);
    EXPECT_EQ(t->selectedItems().size(), 1);
    // A click on a row header keeps the current cell only.
    for (int r = 0; r < 4; ++r)
        t->item(r, thr)->setSelected(true);
    t->cancelRowSelection();
    EXPECT_EQ(t->selectedItems().size(), 1);
}
