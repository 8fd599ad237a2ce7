#include "qviewselectiondialog.h"

#include <QDialogButtonBox>
#include <QEvent>
#include <QGridLayout>
#include <QHeaderView>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "messageboxes.h"
#include "zevahvnode.h"

const char* const QViewSelectionDialog::kShownParameterStyle =
    "background: QLinearGradient( \t\t\t\t\t\t\t\t\tx1: 0, y1: 0, x2: 0, y2: 1, \t\t\t\t\t\t\t\t\t"
    "stop: 0\t\t#585858, \t\t\t\t\t\t\t\t\tstop: 0.4\t#555555, \t\t\t\t\t\t\t\t\t"
    "stop: 0.5\t#323232, \t\t\t\t\t\t\t\t\tstop: 1\t\t#383838); \t\t\t\t\t\t\t\t\tcolor: #bfff27;";
const char* const QViewSelectionDialog::kHiddenParameterStyle =
    "background: QLinearGradient( \t\t\t\t\t\t\t\t\tx1: 0, y1: 0, x2: 0, y2: 1, \t\t\t\t\t\t\t\t\t"
    "stop: 0\t\t#e4e4e4, \t\t\t\t\t\t\t\t\tstop: 0.4\t#d6d6d6, \t\t\t\t\t\t\t\t\t"
    "stop: 0.5\t#c1c1c1, \t\t\t\t\t\t\t\t\tstop: 1\t\t#b3b3b3); \t\t\t\t\t\t\t\t\tcolor: black;";
const char* const QViewSelectionDialog::kNoChannelText = "Select at least one channel";
const char* const QViewSelectionDialog::kNoParameterText = "Select at least one parameter";
const char* const QViewSelectionDialog::kNothingText = "Select at least one channel/parameter";

namespace {
constexpr int kNodeRole = Qt::UserRole + 1;
constexpr int kSampleRows = 3;
constexpr int kButtonsPerRow = 4;
}

QViewSelectionDialog::QViewSelectionDialog(MainWindow* mainWindow, QWidget* parent,
                                           const QString& buttonObjectName)
    : QDialog(parent), m_mainWindow(mainWindow), m_buttonObjectName(buttonObjectName)
{
    setAttribute(Qt::WA_DeleteOnClose);
}

void QViewSelectionDialog::buildForm(const QString& title, const QString& icon)
{
    setWindowTitle(title);
    setWindowIcon(QIcon(icon));
    resize(560, 520);

    auto* outer = new QVBoxLayout(this);
    auto* mainArea = new QWidget(this);
    mainArea->setObjectName("mainArea");
    mainArea->setStyleSheet("background: #f0f0f0");
    auto* mainLayout = new QVBoxLayout(mainArea);
    mainLayout->setContentsMargins(0, 0, 0, 0);
    m_tabs = new QTabWidget(mainArea);
    mainLayout->addWidget(m_tabs);
    outer->addWidget(mainArea, 1);

    // Channels
    auto* channelsPage = new QWidget();
    auto* channelsLayout = new QVBoxLayout(channelsPage);
    channelsLayout->addWidget(new QLabel("Check/uncheck channels you want to show/hide:", channelsPage));
    m_tree = new QTreeWidget(channelsPage);
    m_tree->setObjectName("chanSel");
    m_tree->setIconSize(QSize(32, 32));
    m_tree->setColumnCount(3);
    m_tree->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tree->viewport()->installEventFilter(this);
    m_tree->installEventFilter(this);
    channelsLayout->addWidget(m_tree);
    m_tabs->addTab(channelsPage, "Channels");

    // Parameters
    m_parametersPage = new QWidget();
    auto* parametersLayout = new QVBoxLayout(m_parametersPage);
    parametersLayout->addWidget(
        new QLabel("Check/uncheck parameters you want to show/hide:", m_parametersPage));
    m_buttonGrid = new QGridLayout();
    m_buttonGrid->setSpacing(4);
    parametersLayout->addLayout(m_buttonGrid);
    parametersLayout->addSpacing(10);
    parametersLayout->addWidget(new QLabel("Drag and drop columns to order:", m_parametersPage));
    m_preview = new QTableWidget(m_parametersPage);
    m_preview->setObjectName("previewTable");
    m_preview->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_preview->setSelectionMode(QAbstractItemView::NoSelection);
    m_preview->horizontalHeader()->setSectionsMovable(true);
    m_preview->verticalHeader()->setVisible(false);
    parametersLayout->addWidget(m_preview, 1);
    m_tabs->addTab(m_parametersPage, "Parameters");

    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    outer->addWidget(m_buttons);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QViewSelectionDialog::clickedOkButton);
}

QTreeWidgetItem* QViewSelectionDialog::addItem(QTreeWidgetItem* parent, ZEVAHVNode* node,
                                               const QString& icon, int textColumn, bool shown)
{
    auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(m_tree);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsUserCheckable | Qt::ItemIsEnabled);
    item->setIcon(0, QIcon(icon));
    item->setText(textColumn, node->name());
    item->setData(0, kNodeRole, QVariant::fromValue(static_cast<void*>(node)));
    setItemShown(item, shown);
    return item;
}

ZEVAHVNode* QViewSelectionDialog::nodeOf(const QTreeWidgetItem* item)
{
    return item ? static_cast<ZEVAHVNode*>(item->data(0, kNodeRole).value<void*>()) : nullptr;
}

QTreeWidgetItem* QViewSelectionDialog::itemFor(const ZEVAHVNode* node) const
{
    for (QTreeWidgetItemIterator it(m_tree); *it; ++it)
        if (nodeOf(*it) == node)
            return *it;
    return nullptr;
}

void QViewSelectionDialog::setItemShown(QTreeWidgetItem* item, bool shown)
{
    item->setDisabled(!shown);
    item->setCheckState(0, shown ? Qt::Checked : Qt::Unchecked);
    for (int column = 0; column < item->columnCount(); ++column) {
        QFont font = item->font(column);
        font.setWeight(shown ? QFont::Bold : QFont::Normal);
        item->setFont(column, font);
    }
}

bool QViewSelectionDialog::isItemShown(const QTreeWidgetItem* item)
{
    return item && !item->isDisabled();
}

void QViewSelectionDialog::setSubtreeShown(QTreeWidgetItem* item, bool shown)
{
    setItemShown(item, shown);
    for (int i = 0; i < item->childCount(); ++i)
        setSubtreeShown(item->child(i), shown);
}

void QViewSelectionDialog::changeItemVisibility(QTreeWidgetItem* item)
{
    if (!item)
        return;
    if (item->isDisabled()) {
        // Ancestors first: Qt keeps a child disabled under a disabled parent.
        QVector<QTreeWidgetItem*> ancestors;
        for (QTreeWidgetItem* p = item->parent(); p; p = p->parent())
            ancestors.prepend(p);
        for (QTreeWidgetItem* p : ancestors)
            setItemShown(p, true);
        setSubtreeShown(item, true);
    } else {
        setSubtreeShown(item, false);
    }
    item->setSelected(false);
}

bool QViewSelectionDialog::hasShownChannel(const QTreeWidgetItem* item) const
{
    if (!isItemShown(item))
        return false;
    const ZEVAHVNode* node = nodeOf(item);
    if (node && node->kind() == ZEVAHVNode::KindChannel)
        return true;
    for (int i = 0; i < item->childCount(); ++i)
        if (hasShownChannel(item->child(i)))
            return true;
    return false;
}

bool QViewSelectionDialog::channelsValid() const
{
    for (int i = 0; i < m_tree->topLevelItemCount(); ++i)
        if (hasShownChannel(m_tree->topLevelItem(i)))
            return true;
    return false;
}

bool QViewSelectionDialog::isPreviewColumnShown(int column) const
{
    return column >= 0 && column < m_preview->columnCount() && !m_preview->isColumnHidden(column);
}

bool QViewSelectionDialog::parametersValid() const
{
    for (int column = 0; column < m_preview->columnCount(); ++column)
        if (isPreviewColumnShown(column))
            return true;
    return false;
}

QString QViewSelectionDialog::selectionProblem() const
{
    const bool channels = channelsValid();
    const bool parameters = parametersValid();
    if (!channels && !parameters)
        return kNothingText;
    if (!channels)
        return kNoChannelText;
    if (!parameters)
        return kNoParameterText;
    return QString();
}

void QViewSelectionDialog::clickedOkButton()
{
    const QString problem = selectionProblem();
    if (!problem.isEmpty()) {
        VelmoraMessages::critical(this, problem);
        return;
    }
    applySelection();
    accept();
}

void QViewSelectionDialog::fillParameters(const QStringList& names, const QStringList& hiddenNames,
                                          const QVector<ZEVAHVNode*>& sampleChannels)
{
    m_preview->setColumnCount(names.size());
    const int rows = std::min<int>(kSampleRows, sampleChannels.size());
    m_preview->setRowCount(rows);
    for (int column = 0; column < names.size(); ++column) {
        const QString& name = names.at(column);
        const bool shown = !hiddenNames.contains(name);

        auto* header = new QTableWidgetItem(name);
        header->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        header->setCheckState(shown ? Qt::Checked : Qt::Unchecked);
        m_preview->setHorizontalHeaderItem(column, header);
        m_preview->setColumnHidden(column, !shown);
        for (int row = 0; row < rows; ++row) {
            const ZEVAHVNode* parameter = sampleChannels.at(row)->findParameter(name);
            auto* cell = new QTableWidgetItem(parameter ? parameter->text() : QString("-"));
            cell->setFlags(Qt::ItemIsEnabled);
            cell->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            m_preview->setItem(row, column, cell);
        }

        auto* button = new QPushButton(name, m_parametersPage);
        button->setObjectName(m_buttonObjectName);
        button->setMinimumHeight(28);
        button->setCursor(Qt::PointingHandCursor);
        setParameterShown(button, shown);
        connect(button, &QPushButton::clicked, this, &QViewSelectionDialog::changeVisibilityInPreview);
        m_buttonGrid->addWidget(button, column / kButtonsPerRow, column % kButtonsPerRow);
        m_parameterButtons.append(button);
    }
}

void QViewSelectionDialog::setParameterShown(QPushButton* button, bool shown)
{
    button->setStyleSheet(shown ? kShownParameterStyle : kHiddenParameterStyle);
    button->setProperty("chk", shown);
}

QPushButton* QViewSelectionDialog::parameterButton(const QString& name) const
{
    for (QPushButton* b : m_parameterButtons)
        if (b->text() == name)
            return b;
    return nullptr;
}

int QViewSelectionDialog::previewColumn(const QString& name) const
{
    for (int column = 0; column < m_preview->columnCount(); ++column) {
        const QTableWidgetItem* header = m_preview->horizontalHeaderItem(column);
        if (header && header->text() == name)
            return column;
    }
    return -1;
}

int QViewSelectionDialog::previewPosition(const QString& name) const
{
    const int column = previewColumn(name);
    return column < 0 ? -1 : m_preview->horizontalHeader()->visualIndex(column);
}

void QViewSelectionDialog::changeVisibilityInPreview()
{
    auto* button = qobject_cast<QPushButton*>(sender());
    if (!button)
        return;
    const bool show = !button->property("chk").toBool();
    const int column = previewColumn(button->text());
    if (column >= 0) {
        m_preview->horizontalHeaderItem(column)->setCheckState(show ? Qt::Checked : Qt::Unchecked);
        m_preview->setColumnHidden(column, !show);
    }
    setParameterShown(button, show);
}

bool QViewSelectionDialog::eventFilter(QObject* watched, QEvent* event)
{
    // A disabled item is a hidden channel or board, and clicking it must
    // bring it back, which the tree's own handling (it ignores disabled
    // items, and ticks the box of an enabled one a second time) would not
    // do: the tree's clicks are handled here, whole.
    if (watched == m_tree->viewport()) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            return true;
        case QEvent::MouseButtonRelease: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::LeftButton)
                changeItemVisibility(m_tree->itemAt(mouse->position().toPoint()));
            return true;
        }
        default:
            break;
        }
    } else if (watched == m_tree && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Space || key == Qt::Key_Select) {
            changeItemVisibility(m_tree->currentItem());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

QStringList orderedParameterNames(const QVector<ZEVAHVNode*>& channels, bool customView,
                                  QStringList* hiddenNames)
{
    struct Entry { QString name; int position; int firstMet; };
    QVector<Entry> entries;
    QStringList seen;
    for (const ZEVAHVNode* channel : channels) {
        for (const ZEVAHVNode* parameter : channel->parameters()) {
            if (seen.contains(parameter->name()))
                continue;
            seen.append(parameter->name());
            const int position = customView ? parameter->customViewVisualIndex()
                                            : parameter->visualIndex();
            entries.append({parameter->name(), position, int(entries.size())});
            const bool shown = customView ? parameter->isEnabledInCustomView() : parameter->isEnabled();
            if (!shown && hiddenNames)
                hiddenNames->append(parameter->name());
        }
    }
    std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        const bool aKnown = a.position >= 0;
        const bool bKnown = b.position >= 0;
        if (aKnown != bKnown)
            return aKnown;
        return aKnown ? a.position < b.position : a.firstMet < b.firstMet;
    });
    QStringList names;
    for (const Entry& e : entries)
        names.append(e.name);
    return names;
}
