#include "systemviews.h"

#include <QList>
#include <QPushButton>
#include <QVBoxLayout>

#include "mainwindow.h"
#include "qconfigureviewdialog.h"
#include "qcustombox.h"
#include "qcustomviewdialog.h"
#include "qsubwindow.h"
#include "qsysteminformations.h"
#include "qsysteminterface.h"
#include "qsystemstatusbar.h"
#include "zevahvnode.h"

SystemViews buildSystemWidgets(QSystemInterface* sysIf, bool customView, MainWindow* window)
{
    SystemViews views;
    const int index = sysIf->systemIndex();

    // Systems wear red, the custom view blue.
    views.box = new QCustomBox(sysIf->name(), index, sysIf, customView, true);
    if (customView && views.box->disconnectButton())
        views.box->disconnectButton()->hide();   // nothing to disconnect
    sysIf->setBox(views.box);

    views.statusBar = new QSystemStatusBar(sysIf);
    views.statusBar->hide();
    if (!customView && sysIf->root()) {
        views.statusBar->setSystemName(sysIf->statusBarTitle());
        views.statusBar->setConnectionParameters(sysIf->statusBarConnectionText());
        views.statusBar->setConnectionStatus(sysIf->root()->connectionState());
    } else {
        views.statusBar->setSystemName(sysIf->name());
    }
    sysIf->setStatusBar(views.statusBar);

    // The information panel fills the interface's own widget, below the box.
    if (!sysIf->layout()) {
        auto* layout = new QVBoxLayout(sysIf);
        layout->setContentsMargins(4, 2, 4, 6);
        layout->setSpacing(0);
    }
    auto* panel = new QSystemInformations(sysIf->name(), index, customView ? nullptr : sysIf);
    if (customView)
        panel->setParent(sysIf);
    panel->buildRows(0);
    sysIf->setInformationPanel(panel);
    sysIf->layout()->addWidget(panel);
    QObject::connect(panel, &QSystemInformations::clickedWidget, sysIf, &QSystemInterface::clickWidget);

    views.table = new QSubWindow(nullptr, index, sysIf->root(), customView);
    views.table->firstBuild();
    Q_UNUSED(window);
    return views;
}

void refreshInformationPanel(QSystemInterface* sysIf, ZEVAHVNode* node)
{
    if (auto* panel = qobject_cast<QSystemInformations*>(sysIf->informationPanel()))
        panel->refresh(node);
}

void openConfigureViewDialog(MainWindow* window, ZEVAHVNode* root, int systemIndex)
{
    auto* dialog = new QConfigureViewDialog(root, systemIndex, window);
    dialog->show();
}

void openCustomViewDialog(MainWindow* window, const std::vector<ZEVAHVNode*>& roots)
{
    auto* dialog = new QCustomViewDialog(window, QList<ZEVAHVNode*>(roots.begin(), roots.end()));
    dialog->setWindowModality(Qt::WindowModal);
    dialog->show();
}
