#include "qcustomtablewidgetdelegate.h"

#include <QLabel>
#include <QLineEdit>

#include "qcustomtablewidget.h"
#include "zevahvnode.h"
#include "zevahvwidgetitem.h"

QCustomTableWidgetDelegate::QCustomTableWidgetDelegate(QObject* parent) : QStyledItemDelegate(parent)
{
}

QWidget* QCustomTableWidgetDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                                  const QModelIndex& index) const
{
    auto* table = qobject_cast<QCustomTableWidget*>(this->parent());
    QTableWidgetItem* cell = table ? table->item(index.row(), index.column()) : nullptr;
    ZEVAHVNode* parameter = QCustomTableWidget::parameterOf(cell);
    if (!parameter) {
        if (QCustomTableWidget::isPlaceholder(cell))
            return nullptr;   // placeholders are not editable
        return new QLineEdit(parent);
    }

    auto* editor = new ZEVAHVWidgetItem(parameter, parent, true);
    if (parameter->valueType() != 8 && parameter->valueType() != 9)
        cell->setText(QString());   // the editor shows the value while it is open
    editor->setStyled(true);
    editor->setStyleSheet("background:transparent; color:white; selection-background-color:transparent; "
                          "selection-color:lightgrey;");
    QObject::connect(editor, &ZEVAHVWidgetItem::endEditing, table, &QCustomTableWidget::setValueForAllSelected);
    // A commit ends the edit: the cell takes the committed text.
    auto* self = const_cast<QCustomTableWidgetDelegate*>(this);
    QObject::connect(editor, &ZEVAHVWidgetItem::endEditing, self, [self, editor] {
        if (editor->property("released").toBool())
            return;   // the view already closed this editor
        editor->setProperty("released", true);
        emit self->commitData(editor);
        emit self->closeEditor(editor, QAbstractItemDelegate::NoHint);
    });
    Q_UNUSED(option);
    return editor;
}

void QCustomTableWidgetDelegate::setEditorData(QWidget*, const QModelIndex&) const
{
    // The editor starts from the parameter's value; nothing to copy.
}

void QCustomTableWidgetDelegate::setModelData(QWidget* editorWidget, QAbstractItemModel* model,
                                              const QModelIndex& index) const
{
    auto* editor = qobject_cast<ZEVAHVWidgetItem*>(editorWidget);
    if (!editor) {
        if (auto* line = qobject_cast<QLineEdit*>(editorWidget))
            model->setData(index, line->text(), Qt::DisplayRole);
        return;
    }
    ZEVAHVNode* p = editor->parameter();
    if (!p || !editor->control())
        return;
    if (editor->committedValue().isValid() && editor->lastWriteResult() != 0) {
        // The module refused the value: show what it still holds.
        model->setData(index, p->shownText(), Qt::DisplayRole);
        return;
    }
    const QString value = editor->valueText();
    const QString unit = editor->unitLabel() ? editor->unitLabel()->text() : p->unitText().trimmed();
    const QString text = p->libraryType() == 4 ? unit + " " + value : value + " " + unit;
    model->setData(index, text, Qt::DisplayRole);
}

void QCustomTableWidgetDelegate::destroyEditor(QWidget* editorWidget, const QModelIndex& index) const
{
    // An edit left without committing must not leave the cell blank.
    auto* table = qobject_cast<QCustomTableWidget*>(parent());
    QTableWidgetItem* cell = table ? table->item(index.row(), index.column()) : nullptr;
    ZEVAHVNode* p = QCustomTableWidget::parameterOf(cell);
    if (p && cell->text().isEmpty())
        cell->setText(p->shownText());
    editorWidget->setProperty("released", true);
    QStyledItemDelegate::destroyEditor(editorWidget, index);
}

void QCustomTableWidgetDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                                      const QModelIndex&) const
{
    editor->setGeometry(option.rect);
}
