#include "zevahvwidgetitem.h"

#include <QApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <cmath>
#include <limits>

#include "customcontrols.h"
#include "inputrules.h"
#include "messageboxes.h"
#include "zevahvnode.h"
#include "zevahvnodeproperty.h"
#include "zevahvswitch.h"

namespace {
bool isWritable(int accessMode)
{
    return accessMode == ZEVAHVNode::WriteOnly || accessMode == ZEVAHVNode::ReadWrite;
}

int clampToInt(double v)
{
    if (std::isnan(v))
        return 0;
    if (v >= static_cast<double>(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (v <= static_cast<double>(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return static_cast<int>(v);
}
}

ZEVAHVWidgetItem::ZEVAHVWidgetItem(ZEVAHVNode* parameter, QWidget* parent, bool inTable)
    : QWidget(parent), m_parameter(parameter), m_valueType(parameter ? parameter->valueType() : -1)
{
    // A cell editor marks its selection only faintly (the cell is the
    // mark); a panel editor keeps its text readable when it is selected,
    // as it is after Return, so that a committed value never looks disabled.
    if (inTable)
        setStyleSheet("background:transparent; color:black; selection-background-color:transparent; "
                      "selection-color:lightgrey;");
    else
        setStyleSheet("background:transparent; color:black; selection-background-color:#1f3d99; "
                      "selection-color:white;");
    m_layout = new QHBoxLayout(this);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);
    buildControl(inTable);
}

double ZEVAHVWidgetItem::propertyNumber(const char* name, double fallback) const
{
    const ZEVAHVNodeProperty* p = m_parameter ? m_parameter->findProperty(name) : nullptr;
    if (!p || p->isNull())
        return fallback;
    bool ok = false;
    const double v = p->value().value.toDouble(&ok);
    return ok ? v : fallback;
}

void ZEVAHVWidgetItem::buildControl(bool inTable)
{
    if (!m_parameter)
        return;
    const QVariant current = m_parameter->value().value;
    const bool writable = isWritable(m_parameter->accessMode());

    switch (m_valueType) {
    case 3: case 4: case 5: {
        auto* spin = new QCustomSpinBox(this);
        spin->setRange(clampToInt(propertyNumber("Minval", std::numeric_limits<int>::min())),
                       clampToInt(propertyNumber("Maxval", std::numeric_limits<int>::max())));
        spin->setValue(current.toInt());
        spin->setInTable(inTable);
        spin->setKeepsTypedText(true);
        connect(spin, &QSpinBox::editingFinished, this, &ZEVAHVWidgetItem::commitIfEdited);
        connect(spin, &QSpinBox::valueChanged, this, &ZEVAHVWidgetItem::valueFieldEndEdit);
        m_control = spin;
        break;
    }
    case 6: {
        auto* spin = new QCustomDoubleSpinBox(this);
        spin->setDecimals(static_cast<int>(propertyNumber("Decimal", 1)));
        spin->setRange(propertyNumber("Minval", -1e9), propertyNumber("Maxval", 1e9));
        spin->setValue(current.toDouble());
        spin->setInTable(inTable);
        spin->setKeepsTypedText(true);
        connect(spin, &QDoubleSpinBox::editingFinished, this, &ZEVAHVWidgetItem::commitIfEdited);
        connect(spin, &QDoubleSpinBox::valueChanged, this, &ZEVAHVWidgetItem::valueFieldEndEdit);
        m_control = spin;
        break;
    }
    case 7: {
        auto* edit = new QCustomLineEdit(this);
        edit->setText(current.toString());
        edit->setInTable(inTable);
        connect(edit, &QLineEdit::editingFinished, this, &ZEVAHVWidgetItem::commitIfEdited);
        connect(edit, &QLineEdit::textChanged, this, &ZEVAHVWidgetItem::valueFieldEndEdit);
        m_control = edit;
        break;
    }
    case 8: {
        const ZEVAHVNodeProperty* on = m_parameter->findProperty("Onstate");
        const ZEVAHVNodeProperty* off = m_parameter->findProperty("Offstate");
        const QString onText = on ? on->value().value.toString() : QString("On");
        const QString offText = off ? off->value().value.toString() : QString("Off");
        if (writable) {
            auto* sw = new ZEVAHVSwitch(onText, offText, ZEVAHVSwitch::Rounded, this);
            sw->setChecked(current.toBool());
            connect(sw, &QAbstractButton::clicked, this, &ZEVAHVWidgetItem::endEdit);
            m_control = sw;
        } else {
            m_control = new QLabel(current.toBool() ? onText : offText, this);
        }
        break;
    }
    case 9: {
        const ZEVAHVNodeProperty* e = m_parameter->findProperty("Enum");
        const QStringList texts = e ? e->value().value.toStringList() : QStringList();
        const int position = clampToInt(current.toDouble() - propertyNumber("Minval", 0));
        if (writable) {
            auto* combo = new QCustomComboBox(this);
            for (const QString& t : texts)
                combo->addItem(t.trimmed());
            combo->setCurrentIndex(position >= 0 && position < texts.size() ? position : -1);
            combo->setInTable(inTable);
            connect(combo, &QComboBox::activated, this, &ZEVAHVWidgetItem::endEdit);
            connect(combo, &QComboBox::currentIndexChanged, this, &ZEVAHVWidgetItem::valueFieldEndEdit);
            m_control = combo;
        } else {
            m_control = new QLabel(position >= 0 && position < texts.size() ? texts[position].trimmed()
                                                                             : QString(), this);
        }
        break;
    }
    default:
        break;   // types 0, 1 and 2: the unit label alone
    }

    if (m_control) {
        m_control->setCursor(Qt::PointingHandCursor);
        m_control->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        m_control->installEventFilter(this);
        m_layout->addWidget(m_control);
        setFocusProxy(m_control);
        if (inTable)
            m_control->setObjectName("tableWidgetChild");
    }
    if (m_valueType != 9) {
        m_unitLabel = new QLabel(m_parameter->unitText().trimmed(), this);
        m_unitLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_layout->addWidget(m_unitLabel);
    }
}

QVariant ZEVAHVWidgetItem::controlValue() const
{
    switch (m_valueType) {
    case 3: case 4: case 5:
        if (auto* s = qobject_cast<QSpinBox*>(m_control))
            return s->value();
        break;
    case 6:
        if (auto* s = qobject_cast<QDoubleSpinBox*>(m_control))
            return s->value();
        break;
    case 7:
        if (auto* e = qobject_cast<QLineEdit*>(m_control))
            return e->text();
        break;
    case 8:
        if (auto* sw = qobject_cast<ZEVAHVSwitch*>(m_control))
            return sw->isChecked();
        break;
    case 9:
        if (auto* c = qobject_cast<QComboBox*>(m_control))
            return c->currentIndex() < 0 ? QVariant() : QVariant(propertyNumber("Minval", 0) + c->currentIndex());
        break;
    default:
        break;
    }
    return QVariant();
}

QString ZEVAHVWidgetItem::valueText() const
{
    if (auto* sw = qobject_cast<ZEVAHVSwitch*>(m_control))
        return sw->textValue();
    if (auto* c = qobject_cast<QComboBox*>(m_control))
        return c->currentText();
    if (auto* l = qobject_cast<QLabel*>(m_control))
        return l->text();
    const QVariant v = controlValue();
    if (m_valueType == 6 && m_parameter)
        return QString::number(v.toDouble(), 'f', m_parameter->decimals());
    return v.toString();
}

void ZEVAHVWidgetItem::showValue(const QVariant& value)
{
    m_showing = true;
    m_edited = false;
    m_committed = QVariant();   // a new device value may be committed over again
    if (auto* s = qobject_cast<QSpinBox*>(m_control))
        s->setValue(value.toInt());
    else if (auto* d = qobject_cast<QDoubleSpinBox*>(m_control))
        d->setValue(value.toDouble());
    else if (auto* e = qobject_cast<QLineEdit*>(m_control))
        e->setText(value.toString());
    else if (auto* sw = qobject_cast<ZEVAHVSwitch*>(m_control))
        sw->setChecked(value.toBool());
    else if (auto* c = qobject_cast<QComboBox*>(m_control))
        c->setCurrentIndex(clampToInt(value.toDouble() - propertyNumber("Minval", 0)));
    m_showing = false;
}

void ZEVAHVWidgetItem::endEdit()
{
    // A spin box reports the end of editing on Return and again when the
    // closing editor loses the focus: the same value is committed once.
    if (m_committing || !m_parameter || !m_control)
        return;
    const QVariant v = controlValue();
    if (!v.isValid() || (m_committed.isValid() && m_committed == v))
        return;
    m_committing = true;
    m_committed = v;
    m_lastResult = m_parameter->writeValue(v);
    emit endEditing();
    m_committing = false;
}

void ZEVAHVWidgetItem::commitIfEdited()
{
    // Spin boxes and line edits also report the end of editing when the
    // editor merely loses the focus (the operator walked past the cell):
    // only a value the operator changed, or confirmed with Return, is sent.
    if (m_refused)
        return;
    if (m_edited || property("Entered").toBool())
        endEdit();
}

void ZEVAHVWidgetItem::valueFieldEndEdit()
{
    if (m_showing)
        return;
    m_edited = true;
    emit valueFieldEdited();
}

int ZEVAHVWidgetItem::textLimit(const ZEVAHVNode* parameter)
{
    if (!parameter)
        return -1;
    if (parameter->kind() == ZEVAHVNode::KindChannelParameter && parameter->name() == QLatin1String("Name"))
        return ZEVAHV_MAX_CH_NAME - 1;
    if (parameter->kind() == ZEVAHVNode::KindSystemProperty)
        return 79;   // written through an 80-byte buffer
    return -1;
}

bool ZEVAHVWidgetItem::hasUncheckedText() const
{
    if (auto* s = qobject_cast<QCustomSpinBox*>(m_control))
        return s->text().trimmed() != s->canonicalText();
    if (auto* d = qobject_cast<QCustomDoubleSpinBox*>(m_control))
        return d->text().trimmed() != d->canonicalText();
    if (auto* e = qobject_cast<QLineEdit*>(m_control))
        return textLimit(m_parameter) >= 0 && e->text().size() > textLimit(m_parameter);
    return false;
}

bool ZEVAHVWidgetItem::acceptTyped()
{
    if (!m_parameter || !hasUncheckedText())
        return true;
    const QString name = m_parameter->name();
    const QString unit = m_parameter->unitText();
    ZEVAHVInput::Checked checked;
    if (auto* s = qobject_cast<QCustomSpinBox*>(m_control)) {
        checked = ZEVAHVInput::wholeNumber(s->text(), s->minimum(), s->maximum(), name, unit);
        if (checked.ok)
            s->setValue(checked.value.toInt());
    } else if (auto* d = qobject_cast<QCustomDoubleSpinBox*>(m_control)) {
        checked = ZEVAHVInput::decimalNumber(d->text(), d->minimum(), d->maximum(), d->decimals(), name, unit);
        if (checked.ok)
            d->setValue(checked.value.toDouble());
    } else if (auto* e = qobject_cast<QLineEdit*>(m_control)) {
        checked = ZEVAHVInput::text(e->text(), textLimit(m_parameter), name);
    }
    if (!checked.ok)
        refuse(checked.reason);
    return checked.ok;
}

void ZEVAHVWidgetItem::refuse(const QString& reason)
{
    // Back to the value the system holds, as if nothing had been typed.
    showValue(m_parameter->value().value);
    setProperty("Entered", false);
    m_refused = true;
    emit inputRefused(reason);
    // Shown once the key or focus change that brought it is over: the box
    // takes the focus, and the editor may close meanwhile.
    QPointer<QWidget> anchor(window());
    QTimer::singleShot(0, qApp, [anchor, reason] { VelmoraMessages::warning(anchor, reason); });
}

bool ZEVAHVWidgetItem::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_control && event->type() == QEvent::FocusOut) {
        // Leaving the field with text typed: the same check as Return.
        if (hasUncheckedText())
            acceptTyped();
    }
    if (watched == m_control && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key != Qt::Key_Return && key != Qt::Key_Enter)
            m_refused = false;   // typing anew
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (!acceptTyped())
                return true;   // refused: the key goes no further
            m_refused = false;
            setProperty("Entered", true);
            // Spin boxes and line edits finish on Return themselves.
            if (qobject_cast<ZEVAHVSwitch*>(m_control) || qobject_cast<QComboBox*>(m_control))
                endEdit();
        }
    }
    return QWidget::eventFilter(watched, event);
}
