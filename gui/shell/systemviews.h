#pragma once
// The per-system widgets the main window builds once a system is connected
// (its box in the dock, its status bar, its information panel and its table
// window), and the view dialogs the box's extra button opens.
#include <vector>

class MainWindow;
class QCustomBox;
class QSubWindow;
class QSystemInterface;
class QSystemStatusBar;
class ZEVAHVNode;

struct SystemViews {
    QCustomBox* box = nullptr;
    QSystemStatusBar* statusBar = nullptr;
    QSubWindow* table = nullptr;
};

// Builds the widgets and hands the box, the status bar and the panel to the
// interface, which owns them.  The table window is the caller's to place.
SystemViews buildSystemWidgets(QSystemInterface* sysIf, bool customView, MainWindow* window);

// Passes a changed system property or board parameter to the system's
// information panel.
void refreshInformationPanel(QSystemInterface* sysIf, ZEVAHVNode* node);

// The view dialogs, non-blocking.
void openConfigureViewDialog(MainWindow* window, ZEVAHVNode* root, int systemIndex);
void openCustomViewDialog(MainWindow* window, const std::vector<ZEVAHVNode*>& roots);
