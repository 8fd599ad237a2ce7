#pragma once
// Applies what the view dialogs stored in the device tree (visible flags and
// column positions) to the channel tables that are open.
#include <QList>

class MainWindow;
class QSubWindow;
class QTableWidget;

// Moves the columns of a channel table into the positions stored on their
// parameters (the custom view's positions for a custom table).  Columns
// without a stored position keep their order, after the others.
void applyColumnOrder(QTableWidget* table, bool customView);

// Rebuilds a table window from the tree: hidden rows and columns hidden,
// columns in the stored order.
void rebuildFromViewFlags(QSubWindow* window);

// The table windows of the main window: those of one system, or the custom
// view ("All Devices") ones.
QList<QSubWindow*> systemTableWindows(MainWindow* mainWindow, int systemIndex);
QList<QSubWindow*> customViewTableWindows(MainWindow* mainWindow);
