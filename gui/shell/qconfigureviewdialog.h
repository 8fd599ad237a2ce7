#pragma once
// Chooses which boards, channels and parameters one system's channel table
// shows, and in which column order.
#include "qviewselectiondialog.h"

class QConfigureViewDialog : public QViewSelectionDialog
{
    Q_OBJECT
public:
    // The dialog deletes itself when closed; the main window shows it
    // without blocking.  mainWindow may be null (the tree is still written).
    QConfigureViewDialog(ZEVAHVNode* root, int systemIndex, MainWindow* mainWindow);

    ZEVAHVNode* root() const { return m_root; }
    int systemIndex() const { return m_systemIndex; }

protected:
    void applySelection() override;

private:
    ZEVAHVNode* m_root;
    int m_systemIndex;
};
