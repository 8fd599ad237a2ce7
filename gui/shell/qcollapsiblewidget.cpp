#include "qcollapsiblewidget.h"

#include <QHeaderView>

#include "qcustombox.h"

QCollapsibleWidget::QCollapsibleWidget(QWidget* parent) : QTreeWidget(parent)
{
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(false);   // the box draws its own arrow
    setIndentation(0);
    setSelectionMode(QAbstractItemView::NoSelection);
    setFocusPolicy(Qt::NoFocus);
    setContextMenuPolicy(Qt::NoContextMenu);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
}

void QCollapsibleWidget::addSystem(QCustomBox* box, QWidget* content)
{
    insertSystem(topLevelItemCount(), box, content);
}

void QCollapsibleWidget::insertSystem(int position, QCustomBox* box, QWidget* content)
{
    if (position < 0 || position > topLevelItemCount())
        position = topLevelItemCount();
    auto* top = new QTreeWidgetItem;
    insertTopLevelItem(position, top);
    top->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    setItemWidget(top, 0, box);
    if (content) {
        auto* child = new QTreeWidgetItem(top);
        setItemWidget(child, 0, content);
    }
    top->setExpanded(true);
    connect(box, &QCustomBox::clickedExpandButton, this, &QCollapsibleWidget::expandItem);
}

void QCollapsibleWidget::removeSystem(int index)
{
    if (index < 0 || index >= topLevelItemCount())
        return;
    // The widgets of the row and of its child row leave the view first: a
    // removed row does not release the widgets of its children, and the view
    // must never keep a widget that its owner deletes.  (The view schedules
    // them for deletion; an owner that deletes them at once cancels that.)
    QTreeWidgetItem* top = topLevelItem(index);
    for (int c = 0; c < top->childCount(); ++c)
        if (itemWidget(top->child(c), 0))
            removeItemWidget(top->child(c), 0);
    if (itemWidget(top, 0))
        removeItemWidget(top, 0);
    delete takeTopLevelItem(index);
}

void QCollapsibleWidget::expandItem(int index)
{
    if (QTreeWidgetItem* top = topLevelItem(index))
        top->setExpanded(!top->isExpanded());
}
