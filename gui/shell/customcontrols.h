#pragma once
// Input controls shared by the cell editors and the dialogs.  Inside a table
// they stay transparent and leave the arrow keys to the table; elsewhere they
// light up blue while they are being edited.
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QString>
#include <QValidator>

// The flags and the saved look every custom control carries.
class CustomControlState
{
public:
    bool inTable() const { return m_inTable; }
    bool dialogChild() const { return m_dialogChild; }
    QString savedStyleSheet() const { return m_savedStyle; }
    // Spin boxes of parameter editors keep whatever is typed, in range or
    // not, a number or not, so that the editor can check it and refuse it
    // with a message; a plain spin box would drop the keystroke or move the
    // value into range without a word.
    void setKeepsTypedText(bool on) { m_keepTyped = on; }

protected:
    // The validator's verdict on a spin box text, as a keeping box gives it.
    QValidator::State typedTextState(QValidator::State state) const
    {
        return m_keepTyped && state != QValidator::Acceptable ? QValidator::Intermediate : state;
    }
    // Marks the control as a cell editor ("tableWidgetChild").
    void markInTable(QWidget* self, bool on);
    // Marks the control as a dialog field ("comboDialogChild").
    void markDialogChild(QWidget* self, bool on);
    void beginEditLook(QWidget* self, bool readOnly);
    void endEditLook(QWidget* self);

    bool m_inTable = false;
    bool m_dialogChild = false;
    bool m_keepTyped = false;
    QString m_savedStyle;
};

extern const char* const kEditingStyle;      // the blue look while editing outside a table
extern const char* const kTransparentStyle;  // the look while editing inside a table

class QCustomLineEdit : public QLineEdit, public CustomControlState
{
    Q_OBJECT
public:
    explicit QCustomLineEdit(QWidget* parent = nullptr);
    void setInTable(bool on) { markInTable(this, on); }
    void setDialogChild(bool on) { markDialogChild(this, on); }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
};

class QCustomSpinBox : public QSpinBox, public CustomControlState
{
    Q_OBJECT
public:
    explicit QCustomSpinBox(QWidget* parent = nullptr);
    void setInTable(bool on) { markInTable(this, on); }
    void setDialogChild(bool on) { markDialogChild(this, on); }
    // The text the current value is shown with.
    QString canonicalText() const { return textFromValue(value()); }

protected:
    QValidator::State validate(QString& input, int& pos) const override;
    void mousePressEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
};

class QCustomDoubleSpinBox : public QDoubleSpinBox, public CustomControlState
{
    Q_OBJECT
public:
    explicit QCustomDoubleSpinBox(QWidget* parent = nullptr);
    void setInTable(bool on) { markInTable(this, on); }
    void setDialogChild(bool on) { markDialogChild(this, on); }
    QString canonicalText() const { return textFromValue(value()); }

protected:
    QValidator::State validate(QString& input, int& pos) const override;
    void mousePressEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
};

class QCustomComboBox : public QComboBox, public CustomControlState
{
    Q_OBJECT
public:
    // A read-only box is editable with a read-only, right-aligned line edit,
    // so that it shows a value without offering to type one.
    explicit QCustomComboBox(QWidget* parent = nullptr, bool readOnly = false);
    void setInTable(bool on) { markInTable(this, on); }
    void setDialogChild(bool on) { markDialogChild(this, on); }
    bool isReadOnlyBox() const { return m_readOnly; }

public slots:
    void clearComboCurrentText();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    bool m_readOnly = false;
};

class QCustomLabel : public QLabel
{
    Q_OBJECT
public:
    explicit QCustomLabel(QWidget* parent = nullptr);
signals:
    void clicked();
protected:
    void mousePressEvent(QMouseEvent* event) override;
};
