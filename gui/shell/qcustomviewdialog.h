#pragma once
// Chooses which systems, boards, channels and parameters the combined
// "All Devices" table shows, and in which column order.
#include <QList>

#include "qviewselectiondialog.h"

class QCustomViewDialog : public QViewSelectionDialog
{
    Q_OBJECT
public:
    // roots: the device-tree roots of the connected systems.  The dialog
    // deletes itself when closed and is window-modal.
    QCustomViewDialog(MainWindow* mainWindow, const QList<ZEVAHVNode*>& roots);

    const QList<ZEVAHVNode*>& roots() const { return m_roots; }
    QPushButton* checkAllButton() const { return m_checkAll; }

public slots:
    // Shows every parameter again.
    void checkAllParametersClicked();

protected:
    void applySelection() override;

private:
    QList<ZEVAHVNode*> m_roots;
    QPushButton* m_checkAll = nullptr;
};
