#include "qcustomtablewidget.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

#include "qcustomtablewidgetdelegate.h"
#include "zevahvmirrornode.h"
#include "zevahvnode.h"
#include "zevahvwidgetitem.h"

namespace {
const QColor kEvenRow(238, 238, 238);
const QColor kOddRow(213, 213, 213);
const QColor kAlarm(238, 0, 0);
// A lost system's cells: the grey of a disabled table, text dimmed.
const QColor kLostBackground(204, 204, 204);
const QColor kLostText(128, 128, 128);

const ZEVAHVNode* rootOf(const ZEVAHVNode* node)
{
    while (node && node->kind() != ZEVAHVNode::KindRoot)
        node = node->parentNode();
    return node;
}
}

QCustomTableWidget::QCustomTableWidget(bool custom, QWidget* parent)
    : QTableWidget(parent), m_custom(custom),
      m_powerOff(QColor(128, 128, 128), Qt::SolidPattern), m_powerOn(QColor(53, 169, 18), Qt::SolidPattern)
{
    setObjectName("subWinTable");
    setItemDelegate(new QCustomTableWidgetDelegate(this));
    setStyleSheet(":enabled { background:#FEFEFE; } \t\t\t\t\t\t\t\t :!enabled { background:#CCCCCC; }");
    setSortingEnabled(false);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    horizontalHeader()->setObjectName("horizontalHeader");
    verticalHeader()->setObjectName("verticalHeader");
    horizontalHeader()->setStretchLastSection(true);
    setEditTriggers(QAbstractItemView::AllEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerItem);
    setContextMenuPolicy(Qt::NoContextMenu);

    connect(verticalHeader(), &QHeaderView::sectionClicked, this, &QCustomTableWidget::cancelRowSelection);
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, &QCustomTableWidget::checkColumnSelection);
    connect(verticalHeader(), &QHeaderView::sectionMoved, this, &QCustomTableWidget::alternateRowColors);
    // A "Pw" cell gets a new text with every new value: its row header follows.
    connect(this, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        const int c = item->column();
        const QTableWidgetItem* h = c >= 0 ? horizontalHeaderItem(c) : nullptr;
        if (h && h->text() == QLatin1String("Pw"))
            updatePowerHeader(item->row());
    });
}

QCustomTableWidget::~QCustomTableWidget()
{
    // The cells belong to the device tree; the table must not delete them.
    detachAllItems();
}

ZEVAHVNode* QCustomTableWidget::parameterOf(QTableWidgetItem* item)
{
    if (!item)
        return nullptr;
    if (auto* node = dynamic_cast<ZEVAHVNode*>(item))
        return node;
    if (auto* mirror = dynamic_cast<ZEVAHVMirrorNode*>(item))
        return mirror->node();
    return nullptr;
}

bool QCustomTableWidget::isPlaceholder(const QTableWidgetItem* item)
{
    return item && !dynamic_cast<const ZEVAHVNode*>(item) && !dynamic_cast<const ZEVAHVMirrorNode*>(item);
}

ZEVAHVNode* QCustomTableWidget::parameterAt(int row, int column) const
{
    return parameterOf(item(row, column));
}

int QCustomTableWidget::columnOf(const QString& headerText) const
{
    for (int c = 0; c < columnCount(); ++c) {
        const QTableWidgetItem* h = horizontalHeaderItem(c);
        if (h && h->text() == headerText)
            return c;
    }
    return -1;
}

void QCustomTableWidget::detachAllItems()
{
    const bool blocked = blockSignals(true);
    for (int r = 0; r < rowCount(); ++r) {
        for (int c = 0; c < columnCount(); ++c) {
            QTableWidgetItem* it = takeItem(r, c);
            if (isPlaceholder(it))
                delete it;
        }
    }
    blockSignals(blocked);
}

QString QCustomTableWidget::rowHeaderText(const QString& boardName, const QString& channelName,
                                          const QString& systemName, bool custom)
{
    const QString board = boardName.size() > 6 ? boardName.mid(5, 2) : boardName;
    const QString channel = channelName.size() > 6 ? channelName.mid(4) : channelName;
    const QString text = board + "." + channel;
    return custom ? "(" + systemName + ")" + text : text;
}

QColor QCustomTableWidget::baseColourOfVisibleRow(int k) const
{
    return k % 2 == 0 ? kEvenRow : kOddRow;
}

bool QCustomTableWidget::rowInAlarm(int row) const
{
    for (int c = 0; c < columnCount(); ++c) {
        const ZEVAHVNode* p = parameterAt(row, c);
        if (p && p->isInAlarm())
            return true;
    }
    return false;
}

bool QCustomTableWidget::rowLost(int row) const
{
    for (int c = 0; c < columnCount(); ++c) {
        if (const ZEVAHVNode* p = parameterAt(row, c)) {
            const ZEVAHVNode* root = rootOf(p);
            return root && root->connectionState() == ZEVAHVNode::ConnectionLost;
        }
    }
    return false;
}

void QCustomTableWidget::paintLostRow(int row)
{
    const bool blocked = blockSignals(true);
    for (int c = 0; c < columnCount(); ++c) {
        if (QTableWidgetItem* it = item(row, c)) {
            it->setBackground(kLostBackground);
            it->setForeground(kLostText);
        }
    }
    if (QTableWidgetItem* header = verticalHeaderItem(row)) {
        header->setBackground(m_powerOff);
        header->setForeground(QColor(Qt::white));
    }
    blockSignals(blocked);
}

void QCustomTableWidget::paintRow(int row, const QColor& background, bool alarm)
{
    const int pw = columnOf("Pw");
    const bool blocked = blockSignals(true);
    for (int c = 0; c < columnCount(); ++c) {
        QTableWidgetItem* it = item(row, c);
        if (!it)
            continue;
        if (isPlaceholder(it)) {
            it->setBackground(background);
            continue;
        }
        it->setBackground(alarm ? kAlarm : background);
        if (c != pw)
            it->setForeground(alarm ? QColor(Qt::white) : QColor(Qt::black));
    }
    blockSignals(blocked);
}

void QCustomTableWidget::updatePowerHeader(int row)
{
    const int pw = columnOf("Pw");
    QTableWidgetItem* header = verticalHeaderItem(row);
    const ZEVAHVNode* p = pw >= 0 ? parameterAt(row, pw) : nullptr;
    if (!header || !p)
        return;
    const bool blocked = blockSignals(true);
    header->setBackground(p->value().value.toBool() ? m_powerOn : m_powerOff);
    header->setForeground(QColor(Qt::white));
    blockSignals(blocked);
}

void QCustomTableWidget::alternateRowColors()
{
    clearSelection();
    int k = 0;
    for (int v = 0; v < rowCount(); ++v) {
        const int row = verticalHeader()->logicalIndex(v);
        if (isRowHidden(row))
            continue;
        // A row stays red while any of its parameters reports an alarm; a
        // lost system's rows are grey, their values being no longer live.
        if (rowLost(row)) {
            paintLostRow(row);
        } else {
            paintRow(row, baseColourOfVisibleRow(k), rowInAlarm(row));
            updatePowerHeader(row);
        }
        ++k;
    }
}

void QCustomTableWidget::markRow(bool ok, ZEVAHVNode* parameter)
{
    if (!parameter)
        return;
    parameter->setInAlarm(!ok);
    int row = -1;
    if (m_custom) {
        if (parameter->mirror() && parameter->mirror()->tableWidget() == this)
            row = parameter->mirror()->row();
    } else if (parameter->tableWidget() == this) {
        row = parameter->row();
    }
    if (row < 0 || isRowHidden(row))
        return;
    paintRow(row, row % 2 == 0 ? kEvenRow : kOddRow, !ok);
}

// ---- selection: several cells only within one column -----------------------

bool QCustomTableWidget::selectionSpansColumns() const
{
    const QList<QTableWidgetItem*> items = selectedItems();
    if (items.size() < 2)
        return false;
    const int first = items.first()->column();
    for (const QTableWidgetItem* it : items)
        if (it->column() != first)
            return true;
    return false;
}

void QCustomTableWidget::selectOnlyCurrent()
{
    clearSelection();
    const QModelIndex current = currentIndex();
    if (current.isValid())
        selectionModel()->select(current, QItemSelectionModel::Select);
}

void QCustomTableWidget::cancelRowSelection()
{
    selectOnlyCurrent();
}

void QCustomTableWidget::checkColumnSelection()
{
    const QModelIndex current = currentIndex();
    const int c = current.column();
    const QTableWidgetItem* h = c >= 0 ? horizontalHeaderItem(c) : nullptr;
    if (h && h->text() == QLatin1String("Name")) {
        selectOnlyCurrent();
        return;
    }
    if (selectionSpansColumns())
        clearSelection();
    if (current.isValid())
        selectionModel()->select(current, QItemSelectionModel::Select);
}

void QCustomTableWidget::mouseReleaseEvent(QMouseEvent* event)
{
    QTableWidget::mouseReleaseEvent(event);
    if (selectionSpansColumns())
        selectOnlyCurrent();
}

void QCustomTableWidget::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    if (key == Qt::Key_Left || key == Qt::Key_Right) {
        if (selectedItems().size() > 1)
            selectOnlyCurrent();
        QTableWidget::keyPressEvent(event);
        return;
    }
    QTableWidget::keyPressEvent(event);
    if (selectionSpansColumns())
        selectOnlyCurrent();
}

void QCustomTableWidget::focusInEvent(QFocusEvent* event)
{
    // A table that gets the focus without a current cell (after a dialog
    // closed, after a rebuild) makes its first cell current: that must not
    // open an editor the operator did not ask for.
    const EditTriggers triggers = editTriggers();
    if (!currentIndex().isValid())
        setEditTriggers(triggers & ~QAbstractItemView::CurrentChanged);
    QTableWidget::focusInEvent(event);
    setEditTriggers(triggers);
}

// ---- copying a committed value down the selected cells of its column --------

void QCustomTableWidget::setValueForAllSelected()
{
    auto* editor = qobject_cast<ZEVAHVWidgetItem*>(sender());
    if (!editor || !editor->parameter() || editor->parameter()->name() == QLatin1String("Name"))
        return;
    const QVariant value = editor->committedValue();
    const QList<QTableWidgetItem*> items = selectedItems();
    if (!value.isValid() || items.size() < 2)
        return;
    // The editor's own cell: the parameter whose editor committed.
    ZEVAHVNode* own = editor->parameter();
    int column = -1;
    for (QTableWidgetItem* it : items)
        if (parameterOf(it) == own)
            column = it->column();
    if (column < 0)
        column = currentColumn();
    for (QTableWidgetItem* it : items) {
        ZEVAHVNode* p = parameterOf(it);
        if (!p || p == own || it->column() != column)
            continue;
        if (p->accessMode() != ZEVAHVNode::WriteOnly && p->accessMode() != ZEVAHVNode::ReadWrite)
            continue;
        p->writeValue(value);
    }
}

void QCustomTableWidget::emitCreateDialogForTripHandling(int) {}
void QCustomTableWidget::emitSelectOffsetSettingModality(QPoint) {}
