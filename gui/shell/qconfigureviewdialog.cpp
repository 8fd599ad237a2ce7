#include "qconfigureviewdialog.h"

#include <QHeaderView>
#include <QTableWidget>
#include <QTreeWidget>

#include "mainwindow.h"
#include "viewlayout.h"
#include "zevahvnode.h"

namespace {
QVector<ZEVAHVNode*> boardsOf(const ZEVAHVNode* root)
{
    QVector<ZEVAHVNode*> boards;
    if (root)
        for (ZEVAHVNode* slot : root->children())
            if (slot->kind() == ZEVAHVNode::KindBoard)
                boards.append(slot);
    return boards;
}

QVector<ZEVAHVNode*> channelsOf(const ZEVAHVNode* board)
{
    QVector<ZEVAHVNode*> channels;
    for (ZEVAHVNode* child : board->children())
        if (child->kind() == ZEVAHVNode::KindChannel)
            channels.append(child);
    return channels;
}
}

QConfigureViewDialog::QConfigureViewDialog(ZEVAHVNode* root, int systemIndex, MainWindow* mainWindow)
    : QViewSelectionDialog(mainWindow, mainWindow, "configParamButton"), m_root(root),
      m_systemIndex(systemIndex)
{
    buildForm(QString("Configure %0").arg(root ? root->name() : QString()),
              ":/Resources/buttons/table_sort.png");

    QTreeWidget* tree = channelTree();
    tree->setStyleSheet("#chanSel::item:enabled { color: #439847;} \t\t\t\t\t\t\t\t "
                        "#chanSel::item:!enabled { color: grey;}");
    tree->setHeaderHidden(true);
    tree->setColumnHidden(2, true);

    QVector<ZEVAHVNode*> allChannels;
    for (ZEVAHVNode* board : boardsOf(root)) {
        QTreeWidgetItem* boardItem =
            addItem(nullptr, board, ":/Resources/Elementi/modulo.png", 1, board->isEnabled());
        boardItem->setText(2, QString::asprintf("%02d", int(board->slot())));
        for (ZEVAHVNode* channel : channelsOf(board)) {
            // A channel under a hidden board is hidden whatever its own flag.
            addItem(boardItem, channel, ":/Resources/Elementi/canale.png", 1,
                    board->isEnabled() && channel->isEnabled());
            allChannels.append(channel);
        }
        boardItem->setExpanded(true);
    }
    tree->resizeColumnToContents(0);

    QStringList hidden;
    const QStringList names = orderedParameterNames(allChannels, false, &hidden);
    fillParameters(names, hidden, allChannels);
}

void QConfigureViewDialog::applySelection()
{
    QTreeWidget* tree = channelTree();
    int channelIndex = 0;
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        QTreeWidgetItem* boardItem = tree->topLevelItem(i);
        if (ZEVAHVNode* board = nodeOf(boardItem)) {
            board->setEnabled(isItemShown(boardItem));
            board->setVisualIndex(i);
        }
        for (int j = 0; j < boardItem->childCount(); ++j) {
            QTreeWidgetItem* channelItem = boardItem->child(j);
            if (ZEVAHVNode* channel = nodeOf(channelItem)) {
                channel->setEnabled(isItemShown(channelItem));
                channel->setVisualIndex(channelIndex++);
            }
        }
    }

    for (ZEVAHVNode* board : boardsOf(m_root)) {
        for (ZEVAHVNode* channel : channelsOf(board)) {
            for (ZEVAHVNode* parameter : channel->parameters()) {
                const int column = previewColumn(parameter->name());
                if (column < 0)
                    continue;
                parameter->setEnabled(previewTable()->horizontalHeaderItem(column)->checkState() == Qt::Checked);
                parameter->setVisualIndex(previewPosition(parameter->name()));
            }
        }
    }

    // The open table shows what was chosen at once, not only on its next
    // build.
    for (QSubWindow* window : systemTableWindows(m_mainWindow, m_systemIndex))
        rebuildFromViewFlags(window);
}
