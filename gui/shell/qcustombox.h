#pragma once
// A system's box in the left dock: expand arrow, name, and the disconnect and
// configure buttons.  All its signals carry the system index.
#include <QGroupBox>
#include <QString>

class QCustomLabel;
class QLabel;
class QPushButton;

class QCustomBox : public QGroupBox
{
    Q_OBJECT
public:
    // blueScheme selects the blue look (red otherwise); withButtons adds the
    // disconnect and extra buttons.
    QCustomBox(const QString& name, int systemIndex, QWidget* owner, bool blueScheme,
               bool withButtons = true, QWidget* parent = nullptr);

    int systemIndex() const { return m_systemIndex; }
    void setSystemIndex(int index) { m_systemIndex = index; }
    QWidget* owner() const { return m_owner; }
    bool blueScheme() const { return m_blue; }
    bool isExpanded() const { return m_expanded; }
    bool isSelected() const { return m_selected; }
    void setSelected(bool selected);

    void setSystemName(const QString& name);
    QString systemName() const;

    // Null when the box was built without buttons.
    QPushButton* disconnectButton() const { return m_disconnect; }
    QPushButton* extraButton() const { return m_extra; }
    // Text of the disconnect button, empty when there is none.
    QString disconnectButtonText() const;

    static const char* const kDisconnectText;
    static const char* const kCloseText;

signals:
    void itemClicked(int index);
    void clickedDisconnectButton(int index);
    void clickedExtraButton(int index);
    void clickedExpandButton(int index);

public slots:
    void disconnectButtonClick();
    void extraButtonClick();
    void expandButtonClick();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void updateArrow();

    int m_systemIndex;
    QWidget* m_owner;
    bool m_blue;
    bool m_expanded = true;
    bool m_selected = false;
    QCustomLabel* m_arrow = nullptr;
    QLabel* m_name = nullptr;
    QPushButton* m_disconnect = nullptr;
    QPushButton* m_extra = nullptr;
};
