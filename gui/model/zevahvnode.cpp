#include "zevahvnode.h"

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QTableWidget>

#include "statustexts.h"
#include "unittexts.h"
#include "valueconversion.h"
#include "zevahvmirrornode.h"

ZEVAHVNode::ZEVAHVNode(const QString &name, int kind)
    : QTableWidgetItem(), m_name(name)
{
    setKind(kind);
}

ZEVAHVNode::ZEVAHVNode(const QString &name, int kind, int systemType, int linkType,
                       const QString &connectionArgument, const QString &user,
                       const QString &password)
    : QTableWidgetItem(), m_name(name), m_systemType(systemType), m_linkType(linkType),
      m_connectionArgument(connectionArgument), m_user(user), m_password(password)
{
    setKind(kind);
    // Raised on every system type except the two mainframes and the P731X
    // and Q2904 amplifiers; kept for the views, which do not read it yet.
    m_auxFlag = !(systemType == ZEVAHV_SYS_KR2440 || systemType == ZEVAHV_SYS_KR2550 ||
                  systemType == ZEVAHV_SYS_P731X || systemType == ZEVAHV_SYS_Q2904);
}

ZEVAHVNode::~ZEVAHVNode()
{
    qDeleteAll(m_children);
    qDeleteAll(m_parameters);
    qDeleteAll(m_properties);
    delete m_mirror;
}

void ZEVAHVNode::adoptFromParent(ZEVAHVNode *child)
{
    child->m_parent = this;
    if (m_kind != KindEmpty) {
        child->m_systemType = m_systemType;
        child->setHandle(m_handle);
    }
}

void ZEVAHVNode::addChild(ZEVAHVNode *child)
{
    if (!child)
        return;
    adoptFromParent(child);
    m_children.append(child);
}

void ZEVAHVNode::addParameter(ZEVAHVNode *parameter)
{
    if (!parameter)
        return;
    adoptFromParent(parameter);
    m_parameters.append(parameter);
}

void ZEVAHVNode::addProperty(ZEVAHVNodeProperty *property)
{
    if (property)
        m_properties.append(property);
}

bool ZEVAHVNode::removeChild(ZEVAHVNode *child)
{
    if (!m_children.removeOne(child))
        return false;
    if (child->m_parent == this)
        child->m_parent = nullptr;
    return true;
}

ZEVAHVNode *ZEVAHVNode::findParameter(const QString &name) const
{
    for (ZEVAHVNode *p : m_parameters)
        if (p->m_name == name)
            return p;
    return nullptr;
}

ZEVAHVNodeProperty *ZEVAHVNode::findProperty(const QString &name) const
{
    for (ZEVAHVNodeProperty *p : m_properties)
        if (p->name() == name)
            return p;
    return nullptr;
}

ZEVAHVNode *ZEVAHVNode::findItem(int board, int channel, const QString &itemName) const
{
    if (board < 0)
        return findParameter(itemName);
    for (ZEVAHVNode *b : m_children) {
        if (b->m_kind != KindBoard || b->m_slot != board)
            continue;
        if (channel < 0)
            return b->findParameter(itemName);
        for (ZEVAHVNode *c : b->m_children)
            if (c->m_kind == KindChannel && c->m_channel == channel)
                return c->findParameter(itemName);
        return nullptr;
    }
    return nullptr;
}

void ZEVAHVNode::reorderParameters(const QVector<int> &order)
{
    if (order.size() != m_parameters.size())
        return;
    QVector<bool> seen(order.size(), false);
    QVector<ZEVAHVNode *> reordered;
    reordered.reserve(order.size());
    for (int index : order) {
        if (index < 0 || index >= m_parameters.size() || seen[index])
            return;  // not a permutation: keep the order
        seen[index] = true;
        reordered.append(m_parameters[index]);
    }
    m_parameters = reordered;
}

void ZEVAHVNode::setKind(int kind)
{
    m_kind = kind;
    if (kind == KindChannelParameter && !m_mirror)
        m_mirror = new ZEVAHVMirrorNode(this);
}

void ZEVAHVNode::setHandle(int handle)
{
    m_handle = handle;
    for (ZEVAHVNode *c : m_children)
        c->setHandle(handle);
    for (ZEVAHVNode *p : m_parameters)
        p->setHandle(handle);
}

void ZEVAHVNode::setValue(const ZEVAHVTimedValue &value)
{
    m_value = value;
    if (m_kind == KindChannelParameter)
        refreshCell();
}

void ZEVAHVNode::setValueFromBytes(const char *bytes, int size)
{
    setValue(ZEVAHVTimedValue::now(ZEVAHVValue::fromBytes(m_valueType, bytes, size)));
}

QString ZEVAHVNode::shownText() const
{
    const QVariant &v = m_value.value;
    if (v.isNull())
        return QString();  // nothing read yet: an empty cell, not a made-up zero
    const QString blank = QStringLiteral(" ");

    if (m_valueType == 8) {
        const ZEVAHVNodeProperty *p = findProperty(v.toBool() ? QStringLiteral("Onstate")
                                                              : QStringLiteral("Offstate"));
        const QString text = (p && !p->isNull()) ? p->value().value.toString() : QString();
        return text + blank + m_unitText;
    }
    if (m_valueType == 9) {
        const ZEVAHVNodeProperty *en = findProperty(QStringLiteral("Enum"));
        const ZEVAHVNodeProperty *min = findProperty(QStringLiteral("Minval"));
        const QStringList texts = (en && !en->isNull()) ? en->value().value.toStringList()
                                                        : QStringList();
        const double minval = (min && !min->isNull()) ? min->value().value.toDouble() : 0.0;
        const long long index = qRound64(v.toDouble() - minval);
        // An index outside the list shows the number itself.
        const QString text = (index >= 0 && index < texts.size()) ? texts.at(int(index))
                                                                  : QString::number(v.toLongLong());
        return text + blank + m_unitText;
    }
    if (m_libraryType == 2)
        return ZEVAHVStatus::channelStatusText(m_systemType, quint32(v.toLongLong()))
               + blank + m_unitText;
    if (m_libraryType == 4)
        return m_unitText + blank
               + QStringLiteral("%1").arg(quint32(v.toLongLong()), 8, 16, QLatin1Char('0')).toUpper();
    if (m_valueType == 6)
        return QString::number(v.toDouble(), 'f', qBound(0, m_decimals, 16)) + blank + m_unitText;
    return v.toString() + blank + m_unitText;
}

void ZEVAHVNode::refreshCell()
{
    const QString text = shownText();
    // A cell the operator stands on keeps its text while he edits it, unless
    // he cannot edit it anyway or it is a switch or a list.
    const bool always = m_accessMode == ReadOnly || m_valueType == 8 || m_valueType == 9;
    auto show = [&](QTableWidgetItem *item) {
        QTableWidget *table = item->tableWidget();
        if (!always && table && table->currentItem() == item)
            return;
        item->setText(text);
    };
    show(this);
    if (m_mirror)
        show(m_mirror);

    if (m_valueType == 8 && m_name == QLatin1String("Pw")) {
        const bool on = m_value.value.toBool();
        const QColor colour = on ? QColor(53, 169, 18) : QColor(Qt::black);
        auto paint = [&](QTableWidgetItem *item) {
            item->setForeground(QBrush(colour));
            QFont f = item->font();
            f.setWeight(on ? QFont::Bold : QFont::Normal);
            item->setFont(f);
            // The row header tells whether the channel is powered.
            if (QTableWidget *table = item->tableWidget()) {
                if (QTableWidgetItem *header = table->verticalHeaderItem(item->row())) {
                    header->setBackground(QBrush(on ? QColor(53, 169, 18) : QColor(128, 128, 128)));
                    header->setForeground(QBrush(Qt::white));
                }
            }
        };
        paint(this);
        if (m_mirror)
            paint(m_mirror);
    }
}

void ZEVAHVNode::setConnectionState(int state)
{
    m_connectionState = state;
    if (ZEVAHVNode *conn = findParameter(QStringLiteral("ConnStat")))
        conn->setValue(ZEVAHVTimedValue::now(ZEVAHVText::connectionStateText(state)));
    if (state != ConnectionOk)
        restamp(1);
}

void ZEVAHVNode::restamp(int tag)
{
    const QDateTime now = QDateTime::currentDateTime();
    auto walk = [&](auto &&self, ZEVAHVNode *node) -> void {
        for (ZEVAHVNode *p : node->m_parameters) {
            p->setValue(ZEVAHVTimedValue(p->m_value.value, tag, now));
            self(self, p);
        }
        for (ZEVAHVNode *c : node->m_children) {
            c->setValue(ZEVAHVTimedValue(c->m_value.value, tag, now));
            self(self, c);
        }
    };
    walk(walk, this);
}

ZEVAHVNode *ZEVAHVNode::nodeOf(QTableWidgetItem *item)
{
    if (auto *mirror = dynamic_cast<ZEVAHVMirrorNode *>(item))
        return mirror->node();
    return dynamic_cast<ZEVAHVNode *>(item);
}
