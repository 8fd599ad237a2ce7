#pragma once
// The widgets and actions of the main window, built once by setupUi().
#include <QtGlobal>

class QAction;
class QDockWidget;
class QMainWindow;
class QMdiArea;
class QMenu;
class QMenuBar;
class QToolBar;
class QVBoxLayout;
class QWidget;

class MainWindowForm
{
public:
    void setupUi(QMainWindow* window);

    QWidget* centralWidget = nullptr;
    QVBoxLayout* verticalLayout_3 = nullptr;
    QMdiArea* viewsArea = nullptr;
    QMenuBar* menuBar = nullptr;
    QMenu* menuFile = nullptr;
    QMenu* menuHelp = nullptr;
    QDockWidget* dockLeft = nullptr;
    QWidget* dockLeftContents = nullptr;
    QVBoxLayout* verticalLayout_2 = nullptr;
    QToolBar* mainTBar = nullptr;

    QAction* menuExit = nullptr;
    QAction* menuTab = nullptr;
    QAction* menuTile = nullptr;
    QAction* menuCreateGroup = nullptr;
    QAction* menuCustomView = nullptr;
    QAction* menuLockPanels = nullptr;
    QAction* menuConnect = nullptr;
    QAction* menuSystems = nullptr;
    QAction* menuBoards = nullptr;
    QAction* menuFloat = nullptr;
    QAction* menuAutosave = nullptr;
    QAction* menuLoad = nullptr;
    QAction* menuSave = nullptr;
    QAction* menuLogout = nullptr;
    QAction* menuAbout = nullptr;
    QAction* menuUpgrade = nullptr;
    QAction* menuTech = nullptr;
    QAction* menuSys = nullptr;
    QAction* menuResFlag = nullptr;
    QAction* menuGenSign = nullptr;
    QAction* menuKill = nullptr;
    QAction* menuClearAlarm = nullptr;
    QAction* menuLogging = nullptr;
    QAction* menuScripting = nullptr;
    QAction* menuAlarms = nullptr;
    QAction* menuEnableKey = nullptr;
    QAction* menuSettings = nullptr;
    QAction* menuManual = nullptr;
};
