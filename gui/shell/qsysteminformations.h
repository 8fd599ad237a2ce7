#pragma once
// The information panel inside a system's box in the left dock: what the
// device is (model, family, serial number, firmware release, address) and
// one row per board parameter with an editor, so that a module's settings
// can be read and changed without opening its channel table.
#include <QGroupBox>
#include <QString>

class QLabel;
class QVBoxLayout;
class QSystemInterface;
class ZEVAHVNode;
class ZEVAHVWidgetItem;

class QSystemInformations : public QGroupBox
{
    Q_OBJECT
    // The owning interface forwards its position in the system list here.
    Q_PROPERTY(int systemIndex READ systemIndex WRITE setSystemIndex)

public:
    // systemInterface is also the parent; without one the panel describes
    // the "All Devices" entry (system type -1).
    QSystemInformations(const QString& name, int index, QSystemInterface* systemInterface);

    int systemIndex() const { return m_index; }
    void setSystemIndex(int index) { m_index = index; }
    int systemType() const { return m_systemType; }
    bool isCustomView() const { return m_isCustomView; }

    QString title() const { return m_title; }
    QString headerText() const;
    QString serialText() const;
    QString addressText() const;

    // Builds one row per parameter of the board at that position (among
    // the boards of the system, or of every system for "All Devices").
    // Nothing is built for a position past the last board, or twice.
    void buildRows(int position = 0);
    // The editor of a board parameter or system property, or null.
    ZEVAHVWidgetItem* editorFor(const ZEVAHVNode* node) const;
    int rowCount() const { return m_rowCount; }

    // The family text shown in the header for a system type; for a VME
    // crate it names the link, for the other types it ignores the link.
    static QString familyText(int systemType, int linkType, const QString& connectionArgument);
    // The device address shown under the header ("" when none is shown).
    static QString addressFor(int systemType, int linkType, const QString& connectionArgument);
    // The editor object name of a board parameter: "handle:slot:name".
    static QString editorName(const ZEVAHVNode* parameter);

signals:
    void clickedWidget();

public slots:
    // A value of this node changed (called for every applied event of a
    // system property or board parameter).  An editor with the keyboard
    // focus is left alone: the operator is typing in it.
    void refresh(ZEVAHVNode* node);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void buildHeader();
    QWidget* buildRow(ZEVAHVNode* parameter);
    static bool holdsFocus(const QWidget* editor);

    int m_index;
    QString m_connection;
    int m_systemType = -1;
    int m_linkType = -1;
    QVBoxLayout* m_layout = nullptr;
    QSystemInterface* m_interface = nullptr;
    int m_rowCount = 0;
    bool m_rowsBuilt = false;
    QString m_title;
    QLabel* m_header = nullptr;
    QLabel* m_serial = nullptr;
    QLabel* m_address = nullptr;
    bool m_isCustomView = false;
};
