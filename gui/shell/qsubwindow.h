#pragma once
// One channel-table window of the document area: the table of a system (or
// of all systems, for the custom view), or a "No channels present" label.
#include <QWidget>

class QComboBox;
class QLabel;
class QVBoxLayout;
#include "qcustomtablewidget.h"   // callers reach the table through table()
class ZEVAHVNode;

class QSubWindow : public QWidget
{
    Q_OBJECT
public:
    enum ViewMode { Full = 0, Minimal = 1, Custom = 2 };

    QSubWindow(QWidget* parent, int systemIndex, ZEVAHVNode* root, bool custom);
    ~QSubWindow() override;

    QCustomTableWidget* table() const { return m_table; }
    ZEVAHVNode* root() const { return m_root; }
    int systemIndex() const { return m_systemIndex; }
    void setSystemIndex(int index) { m_systemIndex = index; }
    bool isCustom() const { return m_custom; }
    int viewMode() const { return m_viewMode; }
    QLabel* emptyLabel() const { return m_emptyLabel; }

    // Builds the table the first time; hidden rows and columns stay hidden.
    void firstBuild();
    // Rebuilds from the tree (after the custom view gained or lost a system).
    void refresh();
    // Shows every row and column again in their logical order.
    void resetLayout();
    // What the main window calls after the view dialogs.
    void reapplyLayout() { resetLayout(); }
    // Marks the row of a channel whose status parameter changed.
    void markRow(bool ok, ZEVAHVNode* parameter);

signals:
    void focused();
    void closing(int idx);

public slots:
    void setViewTableMode(QString choice);
    void handleCreateDialogForTripHandling(int flagExt);
    void handleSelectOffsetSettingModality(QPoint point, int column, int paramType);
    void handleContextMenuClicked(QAction* action);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void rebuild();
    void fillPlaceholders();
    void sizeTable();
    void measureCells();
    // Limits the table to its cells plus its headers, scroll bars and frame,
    // measured as laid out when it is shown, estimated before.
    void fitMaximumSize();
    void placeCell(int row, int column, ZEVAHVNode* parameter);
    int appendColumn(const QString& name, bool visible);

    QCustomTableWidget* m_table;
    QComboBox* m_viewModeSelector = nullptr;
    int m_viewMode = Full;
    ZEVAHVNode* m_root;
    int m_systemIndex;
    bool m_custom;
    QLabel* m_emptyLabel = nullptr;
    QVBoxLayout* m_layout;
    int m_cellsWidth = 0;    // visible columns, as sized to their contents
    int m_cellsHeight = 0;   // visible rows
    QMetaObject::Connection m_headerWatch;
    QMetaObject::Connection m_scrollWatch;
};
