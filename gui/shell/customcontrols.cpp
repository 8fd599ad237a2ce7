#include "customcontrols.h"

#include <QKeyEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QWheelEvent>

const char* const kEditingStyle = "background: #3366ff; border: 1px solid #1f3d99; color: #ffffff;";
const char* const kTransparentStyle = "background:transparent;";

namespace {
const char* const kComboStyle =
    "QAbstractItemView {background-color:#4a4a4a; selection-background-color: #3366ff; "
    "selection-color:#ffffff; }";

bool isArrowKey(int key)
{
    return key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down;
}
}

void CustomControlState::markInTable(QWidget* self, bool on)
{
    m_inTable = on;
    if (on)
        self->setObjectName("tableWidgetChild");
}

void CustomControlState::markDialogChild(QWidget* self, bool on)
{
    m_dialogChild = on;
    if (on)
        self->setObjectName("comboDialogChild");
}

void CustomControlState::beginEditLook(QWidget* self, bool readOnly)
{
    if (readOnly)
        return;
    if (m_inTable)
        self->setStyleSheet(kTransparentStyle);
    else if (!m_dialogChild)
        self->setStyleSheet(kEditingStyle);
}

void CustomControlState::endEditLook(QWidget* self)
{
    self->setStyleSheet(m_savedStyle);
}

// ---- line edit -------------------------------------------------------------

QCustomLineEdit::QCustomLineEdit(QWidget* parent) : QLineEdit(parent)
{
    setContextMenuPolicy(Qt::NoContextMenu);
    // The saved look starts empty: a line edit takes the application's style.
}

void QCustomLineEdit::keyPressEvent(QKeyEvent* event)
{
    // Values never carry a comma: decimals use the point, and a comma would
    // be taken as a separator by the modules' command language.
    if (event->key() == Qt::Key_Comma || event->text() == QLatin1String(",")) {
        event->ignore();
        return;
    }
    if (m_inTable && isArrowKey(event->key())) {
        setStyleSheet(kTransparentStyle);
        event->ignore();   // the table moves the current cell
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void QCustomLineEdit::mousePressEvent(QMouseEvent* event)
{
    beginEditLook(this, isReadOnly());
    QLineEdit::mousePressEvent(event);
}

void QCustomLineEdit::focusInEvent(QFocusEvent* event)
{
    beginEditLook(this, isReadOnly());
    QLineEdit::focusInEvent(event);
}

void QCustomLineEdit::focusOutEvent(QFocusEvent* event)
{
    endEditLook(this);
    QLineEdit::focusOutEvent(event);
}

// ---- spin boxes ------------------------------------------------------------

QCustomSpinBox::QCustomSpinBox(QWidget* parent) : QSpinBox(parent)
{
    setContextMenuPolicy(Qt::NoContextMenu);
    setLocale(QLocale::c());   // plain digits, no group separators
    m_savedStyle = styleSheet();
}

QValidator::State QCustomSpinBox::validate(QString& input, int& pos) const
{
    return typedTextState(QSpinBox::validate(input, pos));
}

void QCustomSpinBox::mousePressEvent(QMouseEvent* event)
{
    beginEditLook(this, isReadOnly());
    QSpinBox::mousePressEvent(event);
}

void QCustomSpinBox::focusInEvent(QFocusEvent* event)
{
    beginEditLook(this, isReadOnly());
    QSpinBox::focusInEvent(event);
}

void QCustomSpinBox::focusOutEvent(QFocusEvent* event)
{
    endEditLook(this);
    QSpinBox::focusOutEvent(event);
}

QCustomDoubleSpinBox::QCustomDoubleSpinBox(QWidget* parent) : QDoubleSpinBox(parent)
{
    setContextMenuPolicy(Qt::NoContextMenu);
    setLocale(QLocale::c());   // decimal point, whatever the desktop's language
    setDecimals(1);
    m_savedStyle = styleSheet();
}

QValidator::State QCustomDoubleSpinBox::validate(QString& input, int& pos) const
{
    return typedTextState(QDoubleSpinBox::validate(input, pos));
}

void QCustomDoubleSpinBox::mousePressEvent(QMouseEvent* event)
{
    beginEditLook(this, isReadOnly());
    QDoubleSpinBox::mousePressEvent(event);
}

void QCustomDoubleSpinBox::focusInEvent(QFocusEvent* event)
{
    beginEditLook(this, isReadOnly());
    QDoubleSpinBox::focusInEvent(event);
}

void QCustomDoubleSpinBox::focusOutEvent(QFocusEvent* event)
{
    endEditLook(this);
    QDoubleSpinBox::focusOutEvent(event);
}

// ---- combo box ---------------------------------------------------------------

QCustomComboBox::QCustomComboBox(QWidget* parent, bool readOnly)
    : QComboBox(parent), m_readOnly(readOnly)
{
    setContextMenuPolicy(Qt::NoContextMenu);
    setStyleSheet(kComboStyle);
    m_savedStyle = styleSheet();
    if (readOnly) {
        setEditable(true);
        lineEdit()->setReadOnly(true);
        lineEdit()->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
}

void QCustomComboBox::clearComboCurrentText()
{
    if (m_inTable && lineEdit())
        lineEdit()->clear();
}

void QCustomComboBox::keyPressEvent(QKeyEvent* event)
{
    if (m_inTable) {
        if (isArrowKey(event->key())) {
            event->ignore();
            return;
        }
        if (event->key() == Qt::Key_Space && count() > 0) {
            setCurrentIndex((currentIndex() + 1) % count());
            activated(currentIndex());   // same as choosing it from the list
            event->accept();
            return;
        }
    }
    QComboBox::keyPressEvent(event);
}

void QCustomComboBox::wheelEvent(QWheelEvent* event)
{
    // Scrolling the table must never change a set point by accident.
    event->ignore();
}

void QCustomComboBox::mousePressEvent(QMouseEvent* event)
{
    beginEditLook(this, m_readOnly);
    QComboBox::mousePressEvent(event);
}

void QCustomComboBox::focusInEvent(QFocusEvent* event)
{
    beginEditLook(this, m_readOnly);
    QComboBox::focusInEvent(event);
}

void QCustomComboBox::focusOutEvent(QFocusEvent* event)
{
    endEditLook(this);
    QComboBox::focusOutEvent(event);
}

// ---- label -------------------------------------------------------------------

QCustomLabel::QCustomLabel(QWidget* parent) : QLabel(parent)
{
    setContextMenuPolicy(Qt::NoContextMenu);
}

void QCustomLabel::mousePressEvent(QMouseEvent* event)
{
    emit clicked();
    QLabel::mousePressEvent(event);
}
