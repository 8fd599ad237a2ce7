#include "qcustomviewdialog.h"

#include <QGridLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "mainwindow.h"
#include "viewlayout.h"
#include "zevahvnode.h"

namespace {
QVector<ZEVAHVNode*> childrenOfKind(const ZEVAHVNode* node, int kind)
{
    QVector<ZEVAHVNode*> found;
    if (node)
        for (ZEVAHVNode* child : node->children())
            if (child->kind() == kind)
                found.append(child);
    return found;
}

QVector<ZEVAHVNode*> channelsOfSystems(const QList<ZEVAHVNode*>& roots)
{
    QVector<ZEVAHVNode*> channels;
    for (const ZEVAHVNode* root : roots)
        for (const ZEVAHVNode* board : childrenOfKind(root, ZEVAHVNode::KindBoard))
            channels += childrenOfKind(board, ZEVAHVNode::KindChannel);
    return channels;
}
}

QCustomViewDialog::QCustomViewDialog(MainWindow* mainWindow, const QList<ZEVAHVNode*>& roots)
    : QViewSelectionDialog(mainWindow, mainWindow, "parButt"), m_roots(roots)
{
    setWindowModality(Qt::WindowModal);
    buildForm("Custom View Configuration", ":/Resources/buttons/table_sort.png");

    QTreeWidget* tree = channelTree();
    tree->setStyleSheet("QTreeWidget::item{height: 24px;}");
    tree->setHeaderLabels({QString(), "Board", "Channel"});

    for (ZEVAHVNode* root : m_roots) {
        if (!root)
            continue;
        const bool systemShown = root->isEnabledInCustomView();
        QTreeWidgetItem* systemItem =
            addItem(nullptr, root, ":/Resources/Elementi/sistema.png", 1, systemShown);
        for (ZEVAHVNode* board : childrenOfKind(root, ZEVAHVNode::KindBoard)) {
            const bool boardShown = systemShown && board->isEnabledInCustomView();
            QTreeWidgetItem* boardItem =
                addItem(systemItem, board, ":/Resources/Elementi/modulo.png", 1, boardShown);
            for (ZEVAHVNode* channel : childrenOfKind(board, ZEVAHVNode::KindChannel))
                addItem(boardItem, channel, ":/Resources/Elementi/canale.png", 2,
                        boardShown && channel->isEnabledInCustomView());
            boardItem->setExpanded(true);
        }
        systemItem->setExpanded(true);
    }
    tree->resizeColumnToContents(0);
    tree->resizeColumnToContents(1);

    const QVector<ZEVAHVNode*> channels = channelsOfSystems(m_roots);
    QStringList hidden;
    const QStringList names = orderedParameterNames(channels, true, &hidden);
    fillParameters(names, hidden, channels);

    m_checkAll = new QPushButton(" Check all parameters ", m_parametersPage);
    m_checkAll->setObjectName("checkAllButton");
    connect(m_checkAll, &QPushButton::clicked, this, &QCustomViewDialog::checkAllParametersClicked);
    m_buttonGrid->addWidget(m_checkAll, m_buttonGrid->rowCount(), 0, 1, -1, Qt::AlignLeft);
}

void QCustomViewDialog::checkAllParametersClicked()
{
    for (QPushButton* button : findChildren<QPushButton*>("parButt"))
        setParameterShown(button, true);
    QTableWidget* preview = previewTable();
    for (int column = 0; column < preview->columnCount(); ++column) {
        if (QTableWidgetItem* header = preview->horizontalHeaderItem(column))
            header->setCheckState(Qt::Checked);
        preview->setColumnHidden(column, false);
    }
}

void QCustomViewDialog::applySelection()
{
    QTreeWidget* tree = channelTree();
    int channelIndex = 0;
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        QTreeWidgetItem* systemItem = tree->topLevelItem(i);
        if (ZEVAHVNode* root = nodeOf(systemItem)) {
            root->setEnabledInCustomView(isItemShown(systemItem));
            root->setCustomViewVisualIndex(i);
        }
        for (int j = 0; j < systemItem->childCount(); ++j) {
            QTreeWidgetItem* boardItem = systemItem->child(j);
            if (ZEVAHVNode* board = nodeOf(boardItem)) {
                board->setEnabledInCustomView(isItemShown(boardItem));
                board->setCustomViewVisualIndex(j);
            }
            for (int k = 0; k < boardItem->childCount(); ++k) {
                QTreeWidgetItem* channelItem = boardItem->child(k);
                if (ZEVAHVNode* channel = nodeOf(channelItem)) {
                    channel->setEnabledInCustomView(isItemShown(channelItem));
                    channel->setCustomViewVisualIndex(channelIndex++);
                }
            }
        }
    }

    for (ZEVAHVNode* channel : channelsOfSystems(m_roots)) {
        for (ZEVAHVNode* parameter : channel->parameters()) {
            const int column = previewColumn(parameter->name());
            if (column < 0)
                continue;
            parameter->setEnabledInCustomView(
                previewTable()->horizontalHeaderItem(column)->checkState() == Qt::Checked);
            parameter->setCustomViewVisualIndex(previewPosition(parameter->name()));
        }
    }

    // With a single system there is no "All Devices" entry yet: the
    // operator's choice creates it, built from the flags just written.
    if (m_mainWindow && !m_mainWindow->customViewEntry())
        m_mainWindow->addCustomViewEntry();
    for (QSubWindow* window : customViewTableWindows(m_mainWindow))
        rebuildFromViewFlags(window);
}
