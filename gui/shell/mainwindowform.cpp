#include "mainwindowform.h"

#include <QAction>
#include <QDockWidget>
#include <QIcon>
#include <QMainWindow>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QVBoxLayout>

namespace {
QAction* makeAction(QMainWindow* w, const char* objectName, const QString& text,
                    const QString& shortcut = QString(), bool checkable = false, bool checked = false)
{
    auto* a = new QAction(text, w);
    a->setObjectName(objectName);
    if (!shortcut.isEmpty())
        a->setShortcut(QKeySequence(shortcut));
    a->setCheckable(checkable);
    if (checkable)
        a->setChecked(checked);
    return a;
}
}

void MainWindowForm::setupUi(QMainWindow* w)
{
    w->setObjectName("MainWindow");
    w->resize(1055, 735);
    w->setWindowIcon(QIcon(":/Resources/buttons/n_icon.png"));
    w->setDocumentMode(false);
    w->setDockNestingEnabled(true);

    menuExit = makeAction(w, "menuExit", "Exit", "Ctrl+Q");
    menuTab = makeAction(w, "menuTab", "Tabbed", "Alt+1", true, false);
    menuTab->setToolTip("Tab Views");
    menuTile = makeAction(w, "menuTile", "Tiled", "Alt+2", true);
    menuTile->setToolTip("Tile Views");
    menuCreateGroup = makeAction(w, "menuCreateGroup", "New Group");
    menuCustomView = makeAction(w, "menuCustomView", "Custom View..");
    menuLockPanels = makeAction(w, "menuLockPanels", "Lock", "Alt+Shift+L", true, true);
    menuConnect = makeAction(w, "menuConnect", "Connect..", "Alt+C");
    menuSystems = makeAction(w, "menuSystems", "Systems", "Alt+L", true, true);
    menuBoards = makeAction(w, "menuBoards", "Boards", "Alt+R", true);
    menuFloat = makeAction(w, "menuFloat", "Floated", "Alt+3", true);
    menuAutosave = makeAction(w, "menuAutosave", "Autosave", QString(), true);
    menuLoad = makeAction(w, "menuLoad", "Load");
    menuSave = makeAction(w, "menuSave", "Save");
    menuLogout = makeAction(w, "menuLogout", "Logout");
    menuAbout = makeAction(w, "menuAbout", "About..");
    menuUpgrade = makeAction(w, "menuUpgrade", "Upgrade");
    menuUpgrade->setVisible(false);
    menuTech = makeAction(w, "menuTech", "Tech Info");
    menuSys = makeAction(w, "menuSys", "Sys Info");
    menuResFlag = makeAction(w, "menuResFlag", "Res Flag");
    menuGenSign = makeAction(w, "menuGenSign", "Gen Sign Cfg");
    menuKill = makeAction(w, "menuKill", "Kill");
    menuClearAlarm = makeAction(w, "menuClearAlarm", "Clear Alarm");
    menuLogging = makeAction(w, "menuLogging", "System Logging");
    menuScripting = makeAction(w, "menuScripting", "Scripting");
    menuAlarms = makeAction(w, "menuAlarms", "Alarms");
    menuAlarms->setEnabled(false);
    menuEnableKey = makeAction(w, "menuEnableKey", QString(), QString(), true);
    menuEnableKey->setToolTip("Disable virtual keyboard");
    menuSettings = makeAction(w, "menuSettings", "Settings");
    menuManual = makeAction(w, "menuManual", "User Manual");

    centralWidget = new QWidget(w);
    centralWidget->setObjectName("centralWidget");
    verticalLayout_3 = new QVBoxLayout(centralWidget);
    verticalLayout_3->setObjectName("verticalLayout_3");
    verticalLayout_3->setSpacing(0);
    verticalLayout_3->setContentsMargins(0, 0, 0, 0);
    viewsArea = new QMdiArea(centralWidget);
    viewsArea->setObjectName("viewsArea");
    viewsArea->setLineWidth(0);
    viewsArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewsArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewsArea->setBackground(QBrush(QColor(240, 240, 240), Qt::NoBrush));
    verticalLayout_3->addWidget(viewsArea);
    w->setCentralWidget(centralWidget);

    menuBar = new QMenuBar(w);
    menuBar->setObjectName("menuBar");
    menuFile = new QMenu("File", menuBar);
    menuFile->setObjectName("menuFile");
    menuHelp = new QMenu("Help", menuBar);
    menuHelp->setObjectName("menuHelp");
    menuBar->addAction(menuFile->menuAction());
    menuBar->addAction(menuHelp->menuAction());
    w->setMenuBar(menuBar);

    menuFile->addAction(menuConnect);
    menuFile->addSeparator();
    menuFile->addAction(menuExit);
    menuHelp->addAction(menuUpgrade);
    menuHelp->addSeparator();
    menuHelp->addAction(menuManual);
    menuHelp->addAction(menuAbout);

    dockLeft = new QDockWidget("DEVICES", w);
    dockLeft->setObjectName("dockLeft");
    dockLeft->setFixedWidth(250);
    dockLeft->setMinimumSize(250, 100);
    dockLeft->setMaximumSize(250, 524287);
    dockLeft->setFeatures(QDockWidget::NoDockWidgetFeatures);
    dockLeftContents = new QWidget(dockLeft);
    dockLeftContents->setObjectName("dockLeftContents");
    verticalLayout_2 = new QVBoxLayout(dockLeftContents);
    verticalLayout_2->setObjectName("verticalLayout_2");
    verticalLayout_2->setSpacing(0);
    verticalLayout_2->setContentsMargins(0, 0, 0, 0);
    dockLeft->setWidget(dockLeftContents);
    w->addDockWidget(Qt::LeftDockWidgetArea, dockLeft);

    mainTBar = new QToolBar("toolBar", w);
    mainTBar->setObjectName("mainTBar");
    mainTBar->setAllowedAreas(Qt::TopToolBarArea);
    mainTBar->setMovable(false);
    mainTBar->setFloatable(false);
    mainTBar->setIconSize(QSize(32, 32));
    w->addToolBar(Qt::TopToolBarArea, mainTBar);
}
