#include "viewlayout.h"

#include <QHeaderView>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTableWidget>
#include <QVector>
#include <algorithm>

#include "mainwindow.h"
#include "qcustomtablewidget.h"
#include "qsubwindow.h"
#include "zevahvnode.h"

namespace {
// The stored position of a column: that of the first parameter found in it.
int storedPosition(const QTableWidget* table, int column, bool customView)
{
    for (int row = 0; row < table->rowCount(); ++row) {
        const ZEVAHVNode* parameter = ZEVAHVNode::nodeOf(table->item(row, column));
        if (parameter)
            return customView ? parameter->customViewVisualIndex() : parameter->visualIndex();
    }
    return -1;
}

QList<QSubWindow*> tableWindows(MainWindow* mainWindow)
{
    QList<QSubWindow*> windows;
    if (!mainWindow)
        return windows;
    for (QMdiArea* area : mainWindow->findChildren<QMdiArea*>())
        for (QMdiSubWindow* sub : area->subWindowList())
            if (auto* window = qobject_cast<QSubWindow*>(sub->widget()))
                windows.append(window);
    return windows;
}
}

void applyColumnOrder(QTableWidget* table, bool customView)
{
    if (!table)
        return;
    struct Column { int logical; int position; };
    QVector<Column> columns;
    for (int c = 0; c < table->columnCount(); ++c)
        columns.append({c, storedPosition(table, c, customView)});
    std::stable_sort(columns.begin(), columns.end(), [](const Column& a, const Column& b) {
        if ((a.position >= 0) != (b.position >= 0))
            return a.position >= 0;
        return a.position >= 0 ? a.position < b.position : a.logical < b.logical;
    });
    QHeaderView* header = table->horizontalHeader();
    for (int target = 0; target < columns.size(); ++target)
        header->moveSection(header->visualIndex(columns[target].logical), target);
}

void rebuildFromViewFlags(QSubWindow* window)
{
    if (!window)
        return;
    window->firstBuild();
    applyColumnOrder(window->table(), window->isCustom());
}

QList<QSubWindow*> systemTableWindows(MainWindow* mainWindow, int systemIndex)
{
    QList<QSubWindow*> found;
    for (QSubWindow* window : tableWindows(mainWindow))
        if (!window->isCustom() && window->systemIndex() == systemIndex)
            found.append(window);
    return found;
}

QList<QSubWindow*> customViewTableWindows(MainWindow* mainWindow)
{
    QList<QSubWindow*> found;
    for (QSubWindow* window : tableWindows(mainWindow))
        if (window->isCustom())
            found.append(window);
    return found;
}
