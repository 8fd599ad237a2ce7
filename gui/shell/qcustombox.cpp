#include "qcustombox.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>

#include "customcontrols.h"

const char* const QCustomBox::kDisconnectText = "Disconnect";
const char* const QCustomBox::kCloseText = "Close";

namespace {
const char* const kBlueSelected =
    ":enabled { border:2px solid #1f3d99; background: qlineargradient( \t\t\t\t\t\t\t\t\tx1:0, y1:0, "
    "x2:0, y2:1,stop:0 #eeeeee,stop:1 #555555) } \t\t\t\t\t\t\t\t :!enabled { border: 1px solid grey; "
    "background-color: qlineargradient(\t\t\t\t\t\t\t\t\tx1:0, y1:0, x2:0, y2:1,stop: 0 lightgrey,stop: 1 "
    "lightgrey); color: grey; }";
const char* const kBlueSelectedLabel =
    ":enabled { background: transparent; border:none; color: #3366ff; font:bold; }";
const char* const kRedSelected =
    ":enabled { border:2px solid #c00b20; background: qlineargradient( \t\t\t\t\t\t\t\t\tx1:0, y1:0, "
    "x2:0, y2:1,stop:0 #eeeeee,stop:1 #555555) } \t\t\t\t\t\t\t\t :!enabled { border: 1px solid grey; "
    "background-color: qlineargradient(\t\t\t\t\t\t\t\t\tx1:0, y1:0, x2:0, y2:1,stop: 0 lightgrey,stop: 1 "
    "lightgrey); color: grey; }";
const char* const kRedSelectedLabel =
    ":enabled { background: transparent; border:none; color: #c00b20; font:bold; }";
const char* const kBlueUnselected =
    ":enabled { border:2px solid #1f3d99; } \t\t\t\t\t\t\t\t :!enabled { border: 1px solid grey; color: grey; }";
const char* const kBlueUnselectedLabel = "color:black; border:none; font:bold;";
const char* const kRedUnselected =
    ":enabled { border:2px solid #c00b20; } \t\t\t\t\t\t\t\t :!enabled { border: 1px solid grey; color: grey; }";
const char* const kRedUnselectedLabel = "color:black; border: none; font:bold;";

QPushButton* makeFlatButton(const QString& objectName, const QString& text, QWidget* parent)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(objectName);
    b->setFlat(true);
    b->setStyleSheet("background: transparent;");
    b->setCursor(Qt::PointingHandCursor);
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}
}

QCustomBox::QCustomBox(const QString& name, int systemIndex, QWidget* owner, bool blueScheme,
                       bool withButtons, QWidget* parent)
    : QGroupBox(parent), m_systemIndex(systemIndex), m_owner(owner), m_blue(blueScheme)
{
    setFlat(true);
    setContextMenuPolicy(Qt::NoContextMenu);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(3, 5, 5, 5);
    layout->setSpacing(0);

    m_arrow = new QCustomLabel(this);
    m_arrow->setStyleSheet("background: transparent; border: none;");
    m_arrow->setCursor(Qt::PointingHandCursor);
    layout->addWidget(m_arrow);
    layout->addSpacing(10);

    m_name = new QLabel(name, this);
    m_name->setObjectName("sysNameLabel");
    layout->addWidget(m_name);
    layout->addStretch();

    if (withButtons) {
        m_disconnect = makeFlatButton("disconnectButton", kDisconnectText, this);
        m_extra = makeFlatButton("extraButton", "View..", this);
        m_extra->setToolTip("Choose the channels and parameters shown");
        layout->addWidget(m_disconnect);
        layout->addWidget(m_extra);
        connect(m_disconnect, &QPushButton::clicked, this, &QCustomBox::disconnectButtonClick);
        connect(m_extra, &QPushButton::clicked, this, &QCustomBox::extraButtonClick);
    }
    connect(m_arrow, &QCustomLabel::clicked, this, &QCustomBox::expandButtonClick);
    updateArrow();
    setSelected(false);
}

void QCustomBox::setSelected(bool selected)
{
    m_selected = selected;
    if (selected) {
        setStyleSheet(m_blue ? kBlueSelected : kRedSelected);
        m_name->setStyleSheet(m_blue ? kBlueSelectedLabel : kRedSelectedLabel);
    } else {
        setStyleSheet(m_blue ? kBlueUnselected : kRedUnselected);
        m_name->setStyleSheet(m_blue ? kBlueUnselectedLabel : kRedUnselectedLabel);
    }
}

void QCustomBox::setSystemName(const QString& name) { m_name->setText(name); }
QString QCustomBox::systemName() const { return m_name->text(); }

QString QCustomBox::disconnectButtonText() const
{
    return m_disconnect ? m_disconnect->text() : QString();
}

void QCustomBox::disconnectButtonClick() { emit clickedDisconnectButton(m_systemIndex); }
void QCustomBox::extraButtonClick() { emit clickedExtraButton(m_systemIndex); }

void QCustomBox::expandButtonClick()
{
    emit clickedExpandButton(m_systemIndex);
    m_expanded = !m_expanded;
    updateArrow();
}

void QCustomBox::mouseReleaseEvent(QMouseEvent* event)
{
    QGroupBox::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton)
        emit itemClicked(m_systemIndex);
}

void QCustomBox::updateArrow()
{
    const char* path;
    if (m_blue)
        path = m_expanded ? ":/Resources/Elementi/arrd.png" : ":/Resources/Elementi/arrr.png";
    else
        path = m_expanded ? ":/Resources/Elementi/lite/arrd-red.png" : ":/Resources/Elementi/lite/arrr-red.png";
    m_arrow->setPixmap(QPixmap(path));
}
