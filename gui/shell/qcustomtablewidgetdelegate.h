#pragma once
// Builds the in-place editor of a cell from the parameter it shows.
#include <QStyledItemDelegate>

class QCustomTableWidgetDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    explicit QCustomTableWidgetDelegate(QObject* parent = nullptr);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
    void destroyEditor(QWidget* editor, const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;
};
