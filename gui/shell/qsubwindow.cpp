#include "qsubwindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QScrollBar>
#include <QSpacerItem>
#include <QTimer>
#include <QVBoxLayout>

#include "qcustomtablewidget.h"
#include "zevahvmirrornode.h"
#include "zevahvnode.h"

namespace {
// The fixed leading columns; a slot with two names takes whichever the
// system has.
const QStringList kFixedSlots[] = {
    {"Name"}, {"I0Set", "ISet"}, {"V0Set", "VSet"}, {"IMon"}, {"VMon"},
    {"Pw"}, {"Status"}, {"RUp"}, {"RDwn"}, {"Trip"},
};

struct ChannelRef {
    ZEVAHVNode* system;   // the system root the channel belongs to
    ZEVAHVNode* board;
    ZEVAHVNode* channel;
};

// Walks down to the channels in tree order; empty slots (kind 8) are skipped.
void collectChannels(ZEVAHVNode* node, ZEVAHVNode* system, std::vector<ChannelRef>& out)
{
    for (ZEVAHVNode* child : node->children()) {
        if (!child || child->kind() == ZEVAHVNode::KindEmpty)
            continue;
        if (child->kind() == ZEVAHVNode::KindRoot) {
            collectChannels(child, child, out);
        } else if (child->kind() == ZEVAHVNode::KindChannel) {
            out.push_back({system, node, child});
        } else {
            collectChannels(child, system, out);
        }
    }
}
}

QSubWindow::QSubWindow(QWidget* parent, int systemIndex, ZEVAHVNode* root, bool custom)
    : QWidget(parent), m_root(root), m_systemIndex(systemIndex), m_custom(custom)
{
    setStyleSheet("border-top: none");
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    m_table = new QCustomTableWidget(custom, this);
    if (auto* corner = m_table->findChild<QAbstractButton*>())
        corner->setStyleSheet("border:2px solid red;");
    m_table->horizontalHeader()->setSectionsMovable(false);
    m_table->verticalHeader()->setSectionsMovable(false);
    // Row headers widen when their font changes (the current row's is bold):
    // the table widens with them rather than hide its last column.
    m_headerWatch = connect(m_table->verticalHeader(), &QHeaderView::geometriesChanged, this, [this] {
        if (m_table->isVisible())
            fitMaximumSize();
    });
    // The stretched last column may keep a width it had while the table was
    // wider: a table held at its limit that still scrolls sideways is
    // widened by what it lacks.
    m_scrollWatch = connect(m_table->horizontalScrollBar(), &QScrollBar::rangeChanged, this, [this] {
        const int lacking = m_table->horizontalHeader()->length() - m_table->viewport()->width();
        if (m_table->isVisible() && lacking > 0 && m_table->width() >= m_table->maximumWidth())
            m_table->setMaximumWidth(m_table->maximumWidth() + lacking);
    });

    m_layout = new QVBoxLayout(this);
    m_layout->addWidget(m_table, 1);
    m_layout->addSpacerItem(new QSpacerItem(30, 30, QSizePolicy::Minimum, QSizePolicy::Expanding));
    m_layout->setStretch(1, 0);
    m_layout->setAlignment(Qt::AlignLeft);
}

QSubWindow::~QSubWindow()
{
    // The header and the scroll bar still report while they are deleted.
    disconnect(m_headerWatch);
    disconnect(m_scrollWatch);
    m_table->detachAllItems();
}

int QSubWindow::appendColumn(const QString& name, bool visible)
{
    const int c = m_table->columnCount();
    m_table->insertColumn(c);
    m_table->setHorizontalHeaderItem(c, new QTableWidgetItem(name));
    m_table->setColumnHidden(c, !visible);
    return c;
}

void QSubWindow::placeCell(int row, int column, ZEVAHVNode* parameter)
{
    QTableWidgetItem* cell = parameter;
    if (m_custom)
        cell = parameter->mirror();
    if (!cell)
        return;
    cell->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    switch (parameter->accessMode()) {
    case ZEVAHVNode::ReadOnly: {
        cell->setFlags(Qt::ItemIsEnabled);
        QFont f = cell->font();
        f.setWeight(QFont::Bold);
        cell->setFont(f);
        break;
    }
    case ZEVAHVNode::WriteOnly:
    case ZEVAHVNode::ReadWrite:
        cell->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsEnabled);
        break;
    default:
        cell->setFlags(Qt::NoItemFlags);
        break;
    }
    if (cell->tableWidget() && cell->tableWidget() != m_table)
        return;   // a cell sits in one table only
    m_table->setItem(row, column, cell);
}

void QSubWindow::rebuild()
{
    const bool blocked = m_table->blockSignals(true);
    m_table->detachAllItems();
    m_table->clear();
    m_table->setRowCount(0);
    m_table->setColumnCount(0);

    std::vector<ChannelRef> channels;
    if (m_root)
        collectChannels(m_root, m_root->kind() == ZEVAHVNode::KindRoot ? m_root : nullptr, channels);

    const auto visible = [this](const ZEVAHVNode* n) {
        return m_custom ? n->isEnabledInCustomView() : n->isEnabled();
    };

    if (!m_custom) {
        for (const QStringList& names : kFixedSlots) {
            const ZEVAHVNode* found = nullptr;
            for (const ChannelRef& ref : channels) {
                for (const ZEVAHVNode* p : ref.channel->parameters())
                    if (names.contains(p->name())) { found = p; break; }
                if (found)
                    break;
            }
            if (found)
                appendColumn(found->name(), visible(found));
        }
    }

    int row = 0;
    for (const ChannelRef& ref : channels) {
        m_table->insertRow(row);
        const QString systemName = ref.system ? ref.system->name() : QString();
        m_table->setVerticalHeaderItem(
            row, new QTableWidgetItem(QCustomTableWidget::rowHeaderText(ref.board->name(), ref.channel->name(),
                                                                        systemName, m_custom)));
        m_table->setRowHidden(row, !visible(ref.channel));
        for (ZEVAHVNode* p : ref.channel->parameters()) {
            int c = m_table->columnOf(p->name());
            if (c < 0)
                c = appendColumn(p->name(), visible(p));
            placeCell(row, c, p);
        }
        ++row;
    }

    int visibleRows = 0, visibleColumns = 0;
    for (int r = 0; r < m_table->rowCount(); ++r)
        visibleRows += m_table->isRowHidden(r) ? 0 : 1;
    for (int c = 0; c < m_table->columnCount(); ++c)
        visibleColumns += m_table->isColumnHidden(c) ? 0 : 1;
    if (m_custom || (m_table->rowCount() > 0 && m_table->columnCount() > 0 && visibleRows > 0 && visibleColumns > 0)) {
        m_table->show();
        if (m_emptyLabel) {
            m_layout->removeWidget(m_emptyLabel);
            delete m_emptyLabel;
            m_emptyLabel = nullptr;
        }
    } else {
        m_table->hide();
        if (!m_emptyLabel) {
            m_emptyLabel = new QLabel("No channels present", this);
            m_emptyLabel->setMargin(10);
            m_emptyLabel->setStyleSheet("background: white;");
            m_layout->insertWidget(0, m_emptyLabel, 1);
        }
    }
    m_table->blockSignals(blocked);
}

void QSubWindow::fillPlaceholders()
{
    const bool blocked = m_table->blockSignals(true);
    for (int r = 0; r < m_table->rowCount(); ++r) {
        for (int c = 0; c < m_table->columnCount(); ++c) {
            if (m_table->item(r, c))
                continue;
            auto* placeholder = new QTableWidgetItem("-");
            placeholder->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            placeholder->setFlags(Qt::NoItemFlags);
            m_table->setItem(r, c, placeholder);
        }
    }
    m_table->blockSignals(blocked);
}

void QSubWindow::sizeTable()
{
    measureCells();
    fitMaximumSize();
    m_table->alternateRowColors();
    QApplication::processEvents();
}

void QSubWindow::measureCells()
{
    // Measured with the style sheets applied: a table built before it is
    // shown has not been polished yet, and its cells grow when it is.
    m_table->ensurePolished();
    m_table->horizontalHeader()->ensurePolished();
    m_table->verticalHeader()->ensurePolished();
    m_table->resizeColumnsToContents();
    m_cellsWidth = 0;
    for (int c = 0; c < m_table->columnCount(); ++c)
        if (!m_table->isColumnHidden(c))
            m_cellsWidth += m_table->columnWidth(c);
    m_cellsHeight = 0;
    for (int r = 0; r < m_table->rowCount(); ++r)
        if (!m_table->isRowHidden(r))
            m_cellsHeight += m_table->rowHeight(r);
}

void QSubWindow::fitMaximumSize()
{
    // The table is as large as its cells need and no larger, so that every
    // column shows where the area has room for it.  What surrounds the cells
    // (headers, the scroll bars that are always on, the frame) depends on
    // the style: it is estimated from the parts' own sizes, never below the
    // 21 pixels of the classic look, and measured once the table is laid
    // out; the larger of the two is taken (a header is laid out late after
    // a rebuild).
    const int frame = 2 * m_table->frameWidth();
    int chromeWidth = m_table->verticalHeader()->sizeHint().width() +
                      qMax(21, m_table->verticalScrollBar()->sizeHint().width() + frame);
    int chromeHeight = m_table->horizontalHeader()->sizeHint().height() +
                       qMax(21, m_table->horizontalScrollBar()->sizeHint().height() + frame);
    if (m_table->isVisible() && m_table->viewport()->width() > 0) {
        chromeWidth = qMax(chromeWidth, m_table->width() - m_table->viewport()->width());
        chromeHeight = qMax(chromeHeight, m_table->height() - m_table->viewport()->height());
    }
    m_table->setMaximumSize(chromeWidth + m_cellsWidth + 1, chromeHeight + m_cellsHeight + 1);
}

void QSubWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Measured again once shown: the cells take their final fonts then.
    QTimer::singleShot(0, this, [this] {
        if (!m_table->isVisible())
            return;
        measureCells();
        fitMaximumSize();
    });
}

void QSubWindow::firstBuild()
{
    rebuild();
    fillPlaceholders();
    sizeTable();
}

void QSubWindow::refresh()
{
    rebuild();
    fillPlaceholders();
    sizeTable();
    if (m_viewMode != Custom)
        resetLayout();
}

void QSubWindow::resetLayout()
{
    QHeaderView* rows = m_table->verticalHeader();
    QHeaderView* columns = m_table->horizontalHeader();
    const bool blocked = rows->blockSignals(true);
    m_viewMode = Full;
    for (int r = 0; r < m_table->rowCount(); ++r)
        m_table->setRowHidden(r, false);
    for (int c = 0; c < m_table->columnCount(); ++c)
        m_table->setColumnHidden(c, false);
    for (int c = 0; c < m_table->columnCount(); ++c)
        columns->moveSection(columns->visualIndex(c), c);
    for (int r = 0; r < m_table->rowCount(); ++r)
        rows->moveSection(rows->visualIndex(r), r);
    sizeTable();
    rows->blockSignals(blocked);
}

void QSubWindow::markRow(bool ok, ZEVAHVNode* parameter)
{
    m_table->markRow(ok, parameter);
}

void QSubWindow::setViewTableMode(QString choice)
{
    int mode = m_viewMode;
    if (choice.contains("full"))
        mode = Full;
    else if (choice.contains("minimal"))
        mode = Minimal;
    else if (choice.contains("custom"))
        mode = Custom;
    if (mode != m_viewMode) {
        resetLayout();   // resetting selects the full view
        m_viewMode = mode;
    }
}

void QSubWindow::handleCreateDialogForTripHandling(int) {}
void QSubWindow::handleSelectOffsetSettingModality(QPoint, int, int) {}
void QSubWindow::handleContextMenuClicked(QAction*) {}

void QSubWindow::mouseReleaseEvent(QMouseEvent* event)
{
    QWidget::mouseReleaseEvent(event);
    emit focused();
}
