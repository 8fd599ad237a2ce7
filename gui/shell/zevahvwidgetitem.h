#pragma once
// The in-place editor of one parameter: a control chosen by the parameter's
// value type (spin box, line edit, switch, list) and its unit.  Used in the
// channel tables and in the information panel.
//
// What the operator types is checked before anything is written: a number
// out of the parameter's range, one that is no number, one with more
// decimals than the parameter takes, an empty field or a text too long is
// refused with a message, the editor shows the parameter's value again, and
// nothing is written.
#include <QPointer>
#include <QVariant>
#include <QWidget>

class QHBoxLayout;
class QLabel;
class ZEVAHVNode;

class ZEVAHVWidgetItem : public QWidget
{
    Q_OBJECT
public:
    // inTable marks the control as a cell editor.
    ZEVAHVWidgetItem(ZEVAHVNode* parameter, QWidget* parent = nullptr, bool inTable = true);

    ZEVAHVNode* parameter() const { return m_parameter; }
    int valueType() const { return m_valueType; }
    QWidget* control() const { return m_control; }
    QLabel* unitLabel() const { return m_unitLabel; }
    bool isStyled() const { return m_styled; }
    void setStyled(bool styled) { m_styled = styled; }

    // The value in the control, in the parameter's terms (an enumeration
    // gives its value, Minval plus the list position).  Null without a control.
    QVariant controlValue() const;
    // The control's value as the cell shows it (without the unit).
    QString valueText() const;
    // Shows a value without committing it (information panel refresh).
    void showValue(const QVariant& value);
    // The value committed last (null before the first commit).
    QVariant committedValue() const { return m_committed; }
    // Result of the last write (0 when it succeeded).
    int lastWriteResult() const { return m_lastResult; }
    // The longest text a text parameter takes (-1: no limit of ours).
    static int textLimit(const ZEVAHVNode* parameter);

signals:
    void valueFieldEdited();
    void endEditing();
    // What was typed was refused; nothing was written.
    void inputRefused(const QString& reason);

public slots:
    void endEdit();
    void valueFieldEndEdit();

private slots:
    void commitIfEdited();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControl(bool inTable);
    double propertyNumber(const char* name, double fallback) const;
    // Checks the typed text of a number or text control; true when it may be
    // committed (the control then holds exactly the typed value).
    bool acceptTyped();
    // True when the control shows something other than its value.
    bool hasUncheckedText() const;
    void refuse(const QString& reason);

    ZEVAHVNode* m_parameter;
    QHBoxLayout* m_layout;
    QWidget* m_control = nullptr;
    QLabel* m_unitLabel = nullptr;
    int m_valueType;
    bool m_styled = false;
    bool m_committing = false;
    bool m_showing = false;
    bool m_edited = false;   // the operator changed the control's value
    // What was typed last was refused: nothing is committed until the
    // operator types again (a spin box still reports the refused text's
    // change when it loses the focus).
    bool m_refused = false;
    QVariant m_committed;
    int m_lastResult = 0;
};
