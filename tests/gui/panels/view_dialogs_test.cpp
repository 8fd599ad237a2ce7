// The rules of the two view dialogs on device trees built here: which items
// a click shows or hides over two and three levels, the parameter buttons and
// preview columns, the messages of an invalid choice, and what OK writes.
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <memory>

#include "panel_fixture.h"
#include "qconfigureviewdialog.h"
#include "qcustomviewdialog.h"
#include "zevahvnode.h"

namespace {
const QStringList kParams = {"Name", "CoarGain", "FineGain", "Shape", "OutPol"};

// Clicks an item the way the operator does, on the tree's viewport.
void click(QTreeWidget* tree, QTreeWidgetItem* item)
{
    tree->scrollToItem(item);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(item).center());
}

QStringList previewOrder(QTableWidget* preview)
{
    QStringList names;
    QHeaderView* header = preview->horizontalHeader();
    for (int v = 0; v < preview->columnCount(); ++v)
        names << preview->horizontalHeaderItem(header->logicalIndex(v))->text();
    return names;
}

bool bold(const QTreeWidgetItem* item) { return item->font(0).weight() == QFont::Bold; }

class ConfigureDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        root.reset(makeTree("Amp", {2, 0, 3}, kParams));
        dialog = new QConfigureViewDialog(root.get(), 0, nullptr);
        dialog->show();
    }
    void TearDown() override
    {
        if (dialog)
            dialog->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    QTreeWidgetItem* item(int slot, int channel = -1)
    {
        return dialog->itemFor(channel < 0 ? boardAt(root.get(), slot) : channelAt(root.get(), slot, channel));
    }
    void pressParameter(const QString& name) { QTest::mouseClick(dialog->parameterButton(name), Qt::LeftButton); }
    void pressOk() { QTest::mouseClick(dialog->buttonBox()->button(QDialogButtonBox::Ok), Qt::LeftButton); }

    std::unique_ptr<ZEVAHVNode> root;
    QPointer<QConfigureViewDialog> dialog;
    MessageRecorder messages;
};
}

TEST_F(ConfigureDialogTest, ClicksHideAnItemWithItsChannelsAndShowItWithItsBoard)
{
    QTreeWidget* tree = dialog->channelTree();
    ASSERT_EQ(tree->topLevelItemCount(), 2);   // the empty slot has no item
    EXPECT_EQ(item(2)->text(2), "02");
    click(tree, item(2));
    EXPECT_FALSE(QViewSelectionDialog::isItemShown(item(2)));
    for (int ch = 0; ch < 3; ++ch) {
        EXPECT_FALSE(QViewSelectionDialog::isItemShown(item(2, ch)));
        EXPECT_EQ(item(2, ch)->checkState(0), Qt::Unchecked);
        EXPECT_FALSE(bold(item(2, ch)));
    }
    EXPECT_TRUE(QViewSelectionDialog::isItemShown(item(0, 0)));

    // Bringing back one channel of the hidden board brings the board back,
    // but not the board's other channels.
    click(tree, item(2, 1));
    EXPECT_TRUE(QViewSelectionDialog::isItemShown(item(2)));
    EXPECT_EQ(item(2)->checkState(0), Qt::Checked);
    EXPECT_TRUE(bold(item(2)));
    EXPECT_TRUE(QViewSelectionDialog::isItemShown(item(2, 1)));
    EXPECT_EQ(item(2, 1)->checkState(0), Qt::Checked);
    EXPECT_FALSE(QViewSelectionDialog::isItemShown(item(2, 0)));
    EXPECT_FALSE(QViewSelectionDialog::isItemShown(item(2, 2)));
    EXPECT_FALSE(item(2, 1)->isSelected());

    // A second click on a shown channel hides it again; its board stays.
    click(tree, item(2, 1));
    EXPECT_FALSE(QViewSelectionDialog::isItemShown(item(2, 1)));
    EXPECT_TRUE(QViewSelectionDialog::isItemShown(item(2)));
}

TEST_F(ConfigureDialogTest, InvalidChoicesAreRefusedWithTheirMessageAndChangeNothing)
{
    QTreeWidget* tree = dialog->channelTree();
    click(tree, item(0));
    click(tree, item(2));
    pressOk();
    ASSERT_EQ(messages.texts(), QStringList{"Select at least one channel"});
    EXPECT_EQ(messages.shown[0].icon, QMessageBox::Critical);
    ASSERT_TRUE(dialog);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(boardAt(root.get(), 0)->isEnabled());   // nothing written

    // A board that is shown but has no shown channel is still no channel.
    click(tree, item(2, 0));
    click(tree, item(2, 0));
    EXPECT_TRUE(QViewSelectionDialog::isItemShown(item(2)));
    EXPECT_EQ(dialog->selectionProblem(), "Select at least one channel");

    for (const QString& p : kParams)
        pressParameter(p);
    pressOk();
    EXPECT_EQ(messages.texts().last(), "Select at least one channel/parameter");

    click(tree, item(0, 1));
    pressOk();
    EXPECT_EQ(messages.texts().last(), "Select at least one parameter");
    ASSERT_TRUE(dialog);
    for (const QString& p : kParams)
        EXPECT_TRUE(channelAt(root.get(), 0, 0)->findParameter(p)->isEnabled()) << p.toStdString();
}

TEST_F(ConfigureDialogTest, OkWritesFlagsAndPositionsIntoTheTreeAndReopensWithThem)
{
    QTreeWidget* tree = dialog->channelTree();
    click(tree, item(0, 1));
    pressParameter("FineGain");
    QHeaderView* header = dialog->previewTable()->horizontalHeader();
    header->moveSection(header->visualIndex(dialog->previewColumn("OutPol")), 1);
    pressOk();
    EXPECT_TRUE(messages.shown.empty());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(dialog);   // closed and deleted

    EXPECT_TRUE(channelAt(root.get(), 0, 0)->isEnabled());
    EXPECT_FALSE(channelAt(root.get(), 0, 1)->isEnabled());
    EXPECT_EQ(boardAt(root.get(), 2)->visualIndex(), 1);
    // Channel positions run across the boards.
    EXPECT_EQ(channelAt(root.get(), 0, 1)->visualIndex(), 1);
    EXPECT_EQ(channelAt(root.get(), 2, 0)->visualIndex(), 2);
    for (int slot : {0, 2}) {
        ZEVAHVNode* ch = channelAt(root.get(), slot, 0);
        EXPECT_FALSE(ch->findParameter("FineGain")->isEnabled());
        EXPECT_TRUE(ch->findParameter("Shape")->isEnabled());
        EXPECT_EQ(ch->findParameter("OutPol")->visualIndex(), 1);
        EXPECT_EQ(ch->findParameter("CoarGain")->visualIndex(), 2);
        // The custom view's flags are another choice.
        EXPECT_TRUE(ch->findParameter("FineGain")->isEnabledInCustomView());
    }

    dialog = new QConfigureViewDialog(root.get(), 0, nullptr);
    EXPECT_EQ(previewOrder(dialog->previewTable()),
              (QStringList{"Name", "OutPol", "CoarGain", "FineGain", "Shape"}));
    EXPECT_FALSE(dialog->parameterButton("FineGain")->property("chk").toBool());
    EXPECT_EQ(dialog->parameterButton("FineGain")->styleSheet(), QViewSelectionDialog::kHiddenParameterStyle);
    EXPECT_TRUE(dialog->previewTable()->isColumnHidden(dialog->previewColumn("FineGain")));
    EXPECT_FALSE(QViewSelectionDialog::isItemShown(item(0, 1)));
    EXPECT_TRUE(QViewSelectionDialog::isItemShown(item(0, 0)));
}

namespace {
class CustomDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        a.reset(makeTree("A", {2}, {"Name", "FineGain", "Shape"}));
        b.reset(makeTree("B", {0, 3}, {"Name", "Threshold", "Shape"}, 12));
        dialog = new QCustomViewDialog(nullptr, {a.get(), b.get()});
        dialog->show();
    }
    void TearDown() override
    {
        if (dialog)
            dialog->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    bool shown(ZEVAHVNode* n) { return QViewSelectionDialog::isItemShown(dialog->itemFor(n)); }
    void clickNode(ZEVAHVNode* n) { click(dialog->channelTree(), dialog->itemFor(n)); }

    std::unique_ptr<ZEVAHVNode> a, b;
    QPointer<QCustomViewDialog> dialog;
    MessageRecorder messages;
};
}

TEST_F(CustomDialogTest, ClicksWorkOverThreeLevels)
{
    ASSERT_EQ(dialog->channelTree()->topLevelItemCount(), 2);
    ZEVAHVNode* boardB = boardAt(b.get(), 1);
    clickNode(b.get());
    EXPECT_FALSE(shown(b.get()));
    EXPECT_FALSE(shown(boardB));
    EXPECT_FALSE(shown(channelAt(b.get(), 1, 2)));
    EXPECT_TRUE(shown(channelAt(a.get(), 0, 0)));

    // One channel of a hidden system brings back its board and its system.
    clickNode(channelAt(b.get(), 1, 2));
    EXPECT_TRUE(shown(b.get()));
    EXPECT_TRUE(shown(boardB));
    EXPECT_TRUE(shown(channelAt(b.get(), 1, 2)));
    EXPECT_FALSE(shown(channelAt(b.get(), 1, 0)));

    clickNode(a.get());
    clickNode(b.get());
    EXPECT_EQ(dialog->selectionProblem(), "Select at least one channel");
}

TEST_F(CustomDialogTest, CheckAllShowsEveryParameterAgain)
{
    for (const char* name : {"Name", "Shape", "Threshold"})
        QTest::mouseClick(dialog->parameterButton(name), Qt::LeftButton);
    EXPECT_TRUE(dialog->previewTable()->isColumnHidden(dialog->previewColumn("Shape")));
    QTest::mouseClick(dialog->checkAllButton(), Qt::LeftButton);
    QTableWidget* preview = dialog->previewTable();
    for (int c = 0; c < preview->columnCount(); ++c) {
        EXPECT_FALSE(preview->isColumnHidden(c));
        EXPECT_EQ(preview->horizontalHeaderItem(c)->checkState(), Qt::Checked);
    }
    for (QPushButton* button : dialog->parameterButtons()) {
        EXPECT_TRUE(button->property("chk").toBool());
        EXPECT_EQ(button->styleSheet(), QViewSelectionDialog::kShownParameterStyle);
    }
    // A button hidden after "check all" toggles from the shown state.
    QTest::mouseClick(dialog->parameterButton("Shape"), Qt::LeftButton);
    EXPECT_TRUE(preview->isColumnHidden(dialog->previewColumn("Shape")));
}

TEST_F(CustomDialogTest, OkWritesTheCustomViewFlagsOfEverySystemOnly)
{
    clickNode(a.get());
    QTest::mouseClick(dialog->parameterButton("Shape"), Qt::LeftButton);
    QHeaderView* header = dialog->previewTable()->horizontalHeader();
    header->moveSection(header->visualIndex(dialog->previewColumn("Threshold")), 0);
    QTest::mouseClick(dialog->buttonBox()->button(QDialogButtonBox::Ok), Qt::LeftButton);
    EXPECT_TRUE(messages.shown.empty());

    // The preview offered the parameters of both systems.
    EXPECT_EQ(channelAt(a.get(), 0, 0)->findParameter("FineGain")->customViewVisualIndex(), 2);
    EXPECT_FALSE(a->isEnabledInCustomView());
    EXPECT_FALSE(boardAt(a.get(), 0)->isEnabledInCustomView());
    EXPECT_FALSE(channelAt(a.get(), 0, 1)->isEnabledInCustomView());
    EXPECT_TRUE(channelAt(a.get(), 0, 1)->isEnabled());     // the system's own view keeps its choice
    EXPECT_TRUE(channelAt(b.get(), 1, 0)->isEnabledInCustomView());
    EXPECT_EQ(b->customViewVisualIndex(), 1);
    // Channel positions run across all systems.
    EXPECT_EQ(channelAt(b.get(), 1, 0)->customViewVisualIndex(), 2);
    EXPECT_FALSE(channelAt(b.get(), 1, 2)->findParameter("Shape")->isEnabledInCustomView());
    EXPECT_TRUE(channelAt(b.get(), 1, 2)->findParameter("Shape")->isEnabled());
    EXPECT_EQ(channelAt(b.get(), 1, 2)->findParameter("Threshold")->customViewVisualIndex(), 0);
    EXPECT_EQ(channelAt(a.get(), 0, 0)->findParameter("Name")->customViewVisualIndex(), 1);
    EXPECT_EQ(channelAt(a.get(), 0, 0)->findParameter("Name")->visualIndex(), -1);
}
