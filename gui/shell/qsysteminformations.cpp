#include "qsysteminformations.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QVBoxLayout>
#include <QVector>

#include "qsysteminterface.h"
#include "zevahvnode.h"
#include "zevahvwidgetitem.h"

namespace {
const char* const kDefaultTitle = "NIM unit";
const char* const kAmplifierText = "\nSpectroscopy Amplifier\n";

bool isAmplifier(int systemType)
{
    return systemType == ZEVAHV_SYS_P731X || systemType == ZEVAHV_SYS_Q2904 || systemType == ZEVAHV_SYS_Q2906;
}

// The present board the header describes: the first slot that holds one.
ZEVAHVNode* firstBoard(const ZEVAHVNode* root)
{
    if (!root)
        return nullptr;
    for (ZEVAHVNode* slot : root->children())
        if (slot->kind() == ZEVAHVNode::KindBoard)
            return slot;
    return nullptr;
}
}

QSystemInformations::QSystemInformations(const QString& name, int index,
                                         QSystemInterface* systemInterface)
    : QGroupBox(systemInterface), m_index(index), m_interface(systemInterface)
{
    setObjectName(name);
    if (m_interface) {
        m_connection = m_interface->connectionArgument();
        m_systemType = m_interface->systemType();
        m_linkType = m_interface->linkType();
    }
    m_isCustomView = (m_systemType == -1);

    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(5, 0, 5, 5);
    m_layout->setSpacing(2);
    buildHeader();
}

QString QSystemInformations::familyText(int systemType, int linkType,
                                        const QString& connectionArgument)
{
    switch (systemType) {
    case ZEVAHV_SYS_KR2440:
        return "KR2440\nUniversal Multichannel\nPower Supply System";
    case ZEVAHV_SYS_KR2550:
        return "KR2550\nUniversal Multichannel\nPower Supply System";
    case ZEVAHV_SYS_W40XX: {
        QString text = "VME HV Crate\n";
        if (linkType == ZEVAHV_LINK_USB && !connectionArgument.isEmpty())
            text += QString("USB %0").arg(connectionArgument.at(0));
        else if (linkType == ZEVAHV_LINK_OPTLINK && connectionArgument.size() >= 3)
            text += QString("OPTICAL LINK %0%1%2")
                        .arg(connectionArgument.at(0))
                        .arg(connectionArgument.at(1))
                        .arg(connectionArgument.at(2));
        return text;
    }
    case ZEVAHV_SYS_Q3815:
        return "NIM HV\nPower Supply";
    case ZEVAHV_SYS_P731X:
    case ZEVAHV_SYS_Q2904:
    case ZEVAHV_SYS_Q2906:
        return QString("NIM module") + kAmplifierText;
    default:
        return "Misc";
    }
}

QString QSystemInformations::addressFor(int systemType, int linkType,
                                        const QString& connectionArgument)
{
    const bool shown = systemType == ZEVAHV_SYS_Q3815 ||
                       (isAmplifier(systemType) && (linkType == ZEVAHV_LINK_TCPIP || linkType == ZEVAHV_LINK_USBVCP));
    if (!shown || connectionArgument.isEmpty())
        return QString();
    return connectionArgument.section('_', 0, 0);
}

QString QSystemInformations::editorName(const ZEVAHVNode* parameter)
{
    return QString("%0:%1:%2").arg(parameter->handle()).arg(parameter->slot()).arg(parameter->name());
}

void QSystemInformations::buildHeader()
{
    m_title = kDefaultTitle;
    QString serial;
    if (ZEVAHVNode* board = firstBoard(m_interface ? m_interface->root() : nullptr)) {
        m_title = board->model();
        serial = QString("S/N: %0 Rel.: %1.%2")
                     .arg(board->serialNumber())
                     .arg(board->firmwareRelease2(), board->firmwareRelease1());
    }

    QString header = familyText(m_systemType, m_linkType, m_connection);
    // The P731X and the Q2904 name their model in the header.
    if (m_systemType == ZEVAHV_SYS_P731X || m_systemType == ZEVAHV_SYS_Q2904)
        header = m_title + kAmplifierText;

    m_layout->addSpacing(15);
    m_header = new QLabel(header.trimmed(), this);
    m_header->setObjectName("headerLabel");
    m_header->setStyleSheet("color: #1f3d99; font:bold;");
    m_header->setProperty("fullText", header);
    m_layout->addWidget(m_header);

    if (!serial.isEmpty()) {
        m_serial = new QLabel(serial, this);
        m_serial->setObjectName("serialLabel");
        m_serial->setStyleSheet("font:bold;");
        m_layout->addWidget(m_serial);
        m_layout->addSpacing(5);
    }

    const QString address = addressFor(m_systemType, m_linkType, m_connection);
    m_address = new QLabel(address, this);
    m_address->setObjectName("addressLabel");
    m_address->setVisible(!address.isEmpty());
    m_layout->addWidget(m_address);
}

QString QSystemInformations::headerText() const
{
    return m_header ? m_header->property("fullText").toString() : QString();
}

QString QSystemInformations::serialText() const
{
    return m_serial ? m_serial->text() : QString();
}

QString QSystemInformations::addressText() const
{
    return m_address ? m_address->text() : QString();
}

void QSystemInformations::buildRows(int position)
{
    if (m_rowsBuilt || !m_interface || !m_interface->root() || position < 0)
        return;
    ZEVAHVNode* root = m_interface->root();

    QVector<ZEVAHVNode*> boards;
    if (m_isCustomView) {
        for (ZEVAHVNode* systemRoot : root->children())
            boards += systemRoot->children();
    } else {
        boards = root->children();
    }
    if (position >= boards.size())
        return;
    m_rowsBuilt = true;

    for (ZEVAHVNode* parameter : boards.at(position)->parameters()) {
        // A Q3815 reports write-only switches (on, off, kill) that have no
        // value to show.
        if (m_systemType == ZEVAHV_SYS_Q3815 && parameter->accessMode() == ZEVAHVNode::WriteOnly)
            continue;
        m_layout->addWidget(buildRow(parameter));
        ++m_rowCount;
    }
}

QWidget* QSystemInformations::buildRow(ZEVAHVNode* parameter)
{
    auto* row = new QWidget(this);
    row->setStyleSheet("border: 1px solid transparent");
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(new QLabel(parameter->name(), row));
    layout->addStretch();

    auto* editor = new ZEVAHVWidgetItem(parameter, row, false);
    editor->setObjectName(editorName(parameter));
    // A read-only numeric value is shown in a spin box like the others but
    // must not invite an edit that the device would refuse.
    if (parameter->accessMode() == ZEVAHVNode::ReadOnly) {
        if (auto* spin = qobject_cast<QAbstractSpinBox*>(editor->control())) {
            spin->setReadOnly(true);
            spin->setButtonSymbols(QAbstractSpinBox::NoButtons);
        } else if (auto* edit = qobject_cast<QLineEdit*>(editor->control())) {
            edit->setReadOnly(true);
        }
    }
    editor->setMinimumWidth(90);
    layout->addWidget(editor);
    return row;
}

ZEVAHVWidgetItem* QSystemInformations::editorFor(const ZEVAHVNode* node) const
{
    if (!node)
        return nullptr;
    switch (node->kind()) {
    case ZEVAHVNode::KindSystemProperty:
        return findChild<ZEVAHVWidgetItem*>(node->name());
    case ZEVAHVNode::KindBoardParameter:
        return findChild<ZEVAHVWidgetItem*>(editorName(node));
    default:
        return nullptr;
    }
}

bool QSystemInformations::holdsFocus(const QWidget* editor)
{
    const QWidget* focus = QApplication::focusWidget();
    return focus && (focus == editor || editor->isAncestorOf(focus));
}

void QSystemInformations::refresh(ZEVAHVNode* node)
{
    ZEVAHVWidgetItem* editor = editorFor(node);
    if (editor && !holdsFocus(editor))
        editor->showValue(node->value().value);
}

void QSystemInformations::mouseReleaseEvent(QMouseEvent* event)
{
    QGroupBox::mouseReleaseEvent(event);
    emit clickedWidget();
}
