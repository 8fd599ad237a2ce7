#pragma once
// The grid of one system (or of all systems, in the custom view): one row per
// channel, one column per channel parameter.  The cells are the device tree's
// parameter nodes themselves (their mirrors in the custom view).
#include <QBrush>
#include <QTableWidget>

class ZEVAHVNode;

class QCustomTableWidget : public QTableWidget
{
    Q_OBJECT
public:
    explicit QCustomTableWidget(bool custom, QWidget* parent = nullptr);
    ~QCustomTableWidget() override;

    bool isCustom() const { return m_custom; }
    const QBrush& powerOffBrush() const { return m_powerOff; }
    const QBrush& powerOnBrush() const { return m_powerOn; }

    // The parameter node a cell shows (through its mirror in the custom
    // view); null for placeholders and empty cells.
    ZEVAHVNode* parameterAt(int row, int column) const;
    static ZEVAHVNode* parameterOf(QTableWidgetItem* item);
    static bool isPlaceholder(const QTableWidgetItem* item);
    // The column whose header reads that name, or -1.
    int columnOf(const QString& headerText) const;

    // Takes every cell out of the table; tree nodes stay alive, placeholders
    // are deleted.
    void detachAllItems();
    // Marks (or clears) the alarm of the row that shows this parameter.
    void markRow(bool ok, ZEVAHVNode* parameter);
    // Colours the row header from the row's "Pw" cell.
    void updatePowerHeader(int row);

    // The header text of a channel's row ("03.005", "(Crate1)03.005").
    static QString rowHeaderText(const QString& boardName, const QString& channelName,
                                 const QString& systemName, bool custom);

signals:
    void createDialogForTripHandling(int flagExt);
    void selectOffsetSettingModality(QPoint point, int column, int paramType);

public slots:
    void alternateRowColors();
    void checkColumnSelection();
    void cancelRowSelection();
    void setValueForAllSelected();
    void emitCreateDialogForTripHandling(int sectionIdx);
    void emitSelectOffsetSettingModality(QPoint point);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    bool selectionSpansColumns() const;
    void selectOnlyCurrent();
    QColor baseColourOfVisibleRow(int k) const;
    bool rowInAlarm(int row) const;
    // True when the row's channel belongs to a system whose connection is lost.
    bool rowLost(int row) const;
    void paintRow(int row, const QColor& background, bool alarm);
    void paintLostRow(int row);

    bool m_custom;
    QBrush m_powerOff;
    QBrush m_powerOn;
};
