// The view dialogs opened by the main window on simulated P731X modules:
// OK rebuilds the open tables from the chosen channels, parameters and
// column order, and the custom view gets its "All Devices" table.
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <memory>

#include "mainwindow.h"
#include "panel_fixture.h"
#include "qconfigureviewdialog.h"
#include "qcustomtablewidget.h"
#include "qcustomviewdialog.h"
#include "qsubwindow.h"
#include "qsysteminterface.h"
#include "sim_process.h"
#include "zevahvnode.h"
#include "zevahvwidgetitem.h"

namespace {
class ViewDialogsWindowTest : public ::testing::Test {
protected:
    void SetUp() override { window = MainWindow::getInstance(); }
    void TearDown() override
    {
        window->close();
        delete window;
    }
    void connectAmplifier(const QString& name)
    {
        sims.push_back(SimProcess::start("p731x"));
        ASSERT_EQ(window->connectToSystem(8, 0, QString::fromStdString(sims.back()->tcp_arg()), name, "", ""), 0)
            << messages.texts().join("|").toStdString();
    }
    template <class Dialog> Dialog* openedDialog()
    {
        Dialog* d = nullptr;
        waitFor([&] { return (d = window->findChild<Dialog*>()) != nullptr; }, 5000);
        return d;
    }
    static void pressOk(QViewSelectionDialog* d)
    {
        QTest::mouseClick(d->buttonBox()->button(QDialogButtonBox::Ok), Qt::LeftButton);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    static void moveColumn(QViewSelectionDialog* d, const QString& name, int to)
    {
        QHeaderView* header = d->previewTable()->horizontalHeader();
        header->moveSection(header->visualIndex(d->previewColumn(name)), to);
    }
    static int visualColumn(QCustomTableWidget* t, const QString& name)
    {
        return t->horizontalHeader()->visualIndex(t->columnOf(name));
    }

    MessageRecorder messages;
    std::vector<std::unique_ptr<SimProcess>> sims;
    MainWindow* window = nullptr;
};
}

TEST_F(ViewDialogsWindowTest, ConfigureOkRebuildsTheSystemTableFromTheChoice)
{
    connectAmplifier("Amp");
    QCustomTableWidget* table = window->tableWindowOf(0)->table();
    ASSERT_EQ(table->rowCount(), 16);
    ASSERT_GE(table->columnOf("PoleZAdj"), 0);

    window->createConfigureTableDialog(0);
    auto* dialog = openedDialog<QConfigureViewDialog>();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle(), "Configure Amp");
    ZEVAHVNode* board = window->systems().at(0)->root()->children().at(0);
    dialog->changeItemVisibility(dialog->itemFor(board->children().at(3)));
    dialog->changeItemVisibility(dialog->itemFor(board->children().at(4)));
    QTest::mouseClick(dialog->parameterButton("FineGain"), Qt::LeftButton);
    moveColumn(dialog, "PoleZAdj", 1);
    dialog->tabs()->setCurrentIndex(1);
    saveScreenshot(dialog, "configure-view-dialog.png");
    dialog->tabs()->setCurrentIndex(0);
    saveScreenshot(dialog, "configure-view-dialog-channels.png");
    pressOk(dialog);
    EXPECT_TRUE(messages.shown.empty());

    table = window->tableWindowOf(0)->table();
    EXPECT_TRUE(table->isRowHidden(3));
    EXPECT_TRUE(table->isRowHidden(4));
    EXPECT_FALSE(table->isRowHidden(5));
    EXPECT_TRUE(table->isColumnHidden(table->columnOf("FineGain")));
    EXPECT_FALSE(table->isColumnHidden(table->columnOf("Shape")));
    EXPECT_EQ(visualColumn(table, "Name"), 0);
    EXPECT_EQ(visualColumn(table, "PoleZAdj"), 1);
    EXPECT_EQ(visualColumn(table, "CoarGain"), 2);
    // The cells are still the live tree nodes.
    EXPECT_EQ(ZEVAHVNode::nodeOf(table->item(5, table->columnOf("Shape"))),
              board->children().at(5)->findParameter("Shape"));

    // An invalid choice keeps the dialog and the table as they are.
    window->createConfigureTableDialog(0);
    dialog = openedDialog<QConfigureViewDialog>();
    ASSERT_NE(dialog, nullptr);
    dialog->changeItemVisibility(dialog->itemFor(board));
    pressOk(dialog);
    EXPECT_EQ(messages.texts(), QStringList{"Select at least one channel"});
    EXPECT_FALSE(table->isRowHidden(0));
    dialog->close();
}

TEST_F(ViewDialogsWindowTest, CustomViewOkWithOneSystemCreatesAllDevicesFromTheChoice)
{
    connectAmplifier("Amp");
    ASSERT_EQ(window->customViewEntry(), nullptr);
    window->createDialogForCustomView();
    auto* dialog = openedDialog<QCustomViewDialog>();
    ASSERT_NE(dialog, nullptr);
    QTest::mouseClick(dialog->parameterButton("OutPol"), Qt::LeftButton);
    pressOk(dialog);

    QSystemInterface* custom = window->customViewEntry();
    ASSERT_NE(custom, nullptr);
    QCustomTableWidget* table = window->tableWindowOf(window->systems().size() - 1)->table();
    ASSERT_TRUE(table->isCustom());
    EXPECT_EQ(table->rowCount(), 16);
    EXPECT_TRUE(table->isColumnHidden(table->columnOf("OutPol")));
    // The system's own table keeps its columns.
    QCustomTableWidget* own = window->tableWindowOf(0)->table();
    EXPECT_FALSE(own->isColumnHidden(own->columnOf("OutPol")));
}

TEST_F(ViewDialogsWindowTest, CustomViewOkHidesASystemInAllDevices)
{
    connectAmplifier("Left");
    connectAmplifier("Right");
    ASSERT_NE(window->customViewEntry(), nullptr);
    QCustomTableWidget* table = window->tableWindowOf(2)->table();
    ASSERT_EQ(table->rowCount(), 32);

    window->createDialogForCustomView();
    auto* dialog = openedDialog<QCustomViewDialog>();
    ASSERT_NE(dialog, nullptr);
    ASSERT_EQ(dialog->channelTree()->topLevelItemCount(), 2);
    ZEVAHVNode* right = window->systems().at(1)->root();
    dialog->changeItemVisibility(dialog->itemFor(right));
    // One channel of the left system's board brought back after hiding all.
    ZEVAHVNode* leftBoard = window->systems().at(0)->root()->children().at(0);
    dialog->changeItemVisibility(dialog->itemFor(leftBoard));
    dialog->changeItemVisibility(dialog->itemFor(leftBoard->children().at(2)));
    moveColumn(dialog, "Shape", 0);
    dialog->tabs()->setCurrentIndex(1);
    saveScreenshot(dialog, "custom-view-dialog.png");
    dialog->tabs()->setCurrentIndex(0);
    saveScreenshot(dialog, "custom-view-dialog-channels.png");
    pressOk(dialog);
    EXPECT_TRUE(messages.shown.empty());

    table = window->tableWindowOf(2)->table();
    int shownRows = 0;
    for (int r = 0; r < table->rowCount(); ++r)
        shownRows += table->isRowHidden(r) ? 0 : 1;
    EXPECT_EQ(shownRows, 1);
    EXPECT_FALSE(table->isRowHidden(2));
    EXPECT_EQ(visualColumn(table, "Shape"), 0);
    // The systems' own tables are untouched.
    EXPECT_FALSE(window->tableWindowOf(1)->table()->isRowHidden(0));
}

TEST_F(ViewDialogsWindowTest, NoEditorOpensByItselfAfterOk)
{
    connectAmplifier("Amp");
    QCustomTableWidget* table = window->tableWindowOf(0)->table();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    window->createConfigureTableDialog(0);
    auto* dialog = openedDialog<QConfigureViewDialog>();
    ASSERT_NE(dialog, nullptr);
    pressOk(dialog);
    // The table was rebuilt without a current cell; taking the focus back
    // makes its first cell current, which must not open an editor.
    window->activateWindow();
    table->setFocus(Qt::OtherFocusReason);
    QCoreApplication::processEvents();
    QTest::qWait(50);
    EXPECT_EQ(table->findChild<ZEVAHVWidgetItem*>(), nullptr);
}
