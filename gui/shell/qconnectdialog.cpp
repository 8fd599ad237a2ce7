#include "qconnectdialog.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QPointer>
#include <QTimer>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSettings>
#include <QSpinBox>
#include <QStringList>
#include <QVBoxLayout>

#include "customcontrols.h"
#include "devicetypes.h"
#include "mainwindow.h"
#include "serialports.h"

const char* const QConnectDialog::kOrganisation = "ZEVA";
const char* const QConnectDialog::kApplication = "App";

struct QConnectDialog::Remembered {
    int linkType = -1;
    QString deviceName;
    int psType = 0;
    int connType = 0;
    QString ipAddress;
    QString ipPort;
    QString user;
    int tcpLBusIndex = 0;
    QString portName;
    int baudRate = 0;
    int dataBits = 0;
    int stopIndex = 0;
    int parityIndex = 0;
    int vcpLBus = 0;
};

namespace {
const char* const kTcpHint = "A simulator or a forwarded module: type its port after the address.";
const char* const kPortHint = "A port of this machine, or a device path typed in full.";

QWidget* row(QWidget* parent, const QString& label, QWidget* field, QHBoxLayout** layoutOut = nullptr)
{
    auto* w = new QWidget(parent);
    auto* l = new QHBoxLayout(w);
    l->setContentsMargins(0, 0, 0, 0);
    auto* text = new QLabel(label, w);
    text->setMinimumWidth(90);
    l->addWidget(text);
    if (field) {
        field->setParent(w);
        l->addWidget(field, 1);
    }
    if (layoutOut)
        *layoutOut = l;
    return w;
}

QComboBox* numberedCombo(int first, int last)
{
    auto* c = new QComboBox;
    for (int i = first; i <= last; ++i)
        c->addItem(QString::number(i));
    return c;
}
}

int QConnectDialog::systemTypeOfIndex(int index)
{
    if (index < 0 || index >= static_cast<int>(std::size(kDeviceTypes)))
        return -1;
    return kDeviceTypes[index].code;
}

QConnectDialog::QConnectDialog(QWidget* parent, int verticalOffset, MainWindow* mainWindow)
    : QDialog(parent), m_mainWindow(mainWindow)
{
    setAttribute(Qt::WA_DeleteOnClose);
    buildForm();
    setWindowIcon(QIcon(":/Resources/buttons/connect-icon.png"));
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    connectChangeSignals();
    connect(this, &QDialog::accepted, this, &QConnectDialog::connectToAddress);
    connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);

    okButton->setEnabled(false);
    setConnTypeItems();
    cancelButton->setFocus();

    restoreSettings();
    checkFields();

    adjustSize();
    place(parent, verticalOffset);
}

void QConnectDialog::buildForm()
{
    setObjectName("QConnectDialog");
    setWindowTitle("Connect to Device");
    auto* verticalLayout = new QVBoxLayout(this);
    verticalLayout->setObjectName("verticalLayout");

    auto* horizontalLayout = new QHBoxLayout;
    horizontalLayout->setObjectName("horizontalLayout");
    horizontalLayout->addWidget(new QLabel("Device Name", this));
    editCustName = new QCustomLineEdit(this);
    editCustName->setObjectName("editCustName");
    editCustName->setPlaceholderText("insert custom name here..");
    // Wide enough to show the whole placeholder.
    editCustName->setMinimumWidth(editCustName->fontMetrics().horizontalAdvance(editCustName->placeholderText()) +
                                  24);
    horizontalLayout->addWidget(editCustName, 1);
    verticalLayout->addLayout(horizontalLayout);

    auto* horizontalLayout_2 = new QHBoxLayout;
    horizontalLayout_2->setObjectName("horizontalLayout_2");
    horizontalLayout_2->addWidget(new QLabel("Device Type", this));
    comboPSType = new QComboBox(this);
    comboPSType->setObjectName("comboPSType");
    for (const NamedCode& t : kDeviceTypes)
        comboPSType->addItem(t.text);
    horizontalLayout_2->addWidget(comboPSType, 1);
    verticalLayout->addLayout(horizontalLayout_2);

    auto* horizontalLayout_3 = new QHBoxLayout;
    horizontalLayout_3->setObjectName("horizontalLayout_3");
    horizontalLayout_3->addWidget(new QLabel("Connection Type", this));
    comboConnType = new QComboBox(this);
    comboConnType->setObjectName("comboConnType");
    horizontalLayout_3->addWidget(comboConnType, 1);
    verticalLayout->addLayout(horizontalLayout_3);

    connParamsGB = new QGroupBox("Connection Parameters", this);
    connParamsGB->setObjectName("connParamsGB");
    auto* params = new QVBoxLayout(connParamsGB);
    params->addWidget(buildTcpGroup());
    params->addWidget(buildVcpGroup());
    params->addWidget(buildVmeGroup());
    verticalLayout->addWidget(connParamsGB);

    auto* okButtonLayout = new QHBoxLayout;
    okButtonLayout->setObjectName("okButtonLayout");
    okButtonLayout->addStretch();
    cancelButton = new QPushButton("Cancel", this);
    cancelButton->setObjectName("cancelButton");
    okButton = new QPushButton("OK", this);
    okButton->setObjectName("okButton");
    // Enter anywhere in the form presses OK (when it is enabled).
    okButton->setDefault(true);
    cancelButton->setAutoDefault(false);
    okButtonLayout->addWidget(cancelButton);
    okButtonLayout->addWidget(okButton);
    verticalLayout->addLayout(okButtonLayout);
}

QWidget* QConnectDialog::buildTcpGroup()
{
    m_tcpGroup = new QWidget(connParamsGB);
    m_tcpGroup->setObjectName("tcpGroup");
    auto* v = new QVBoxLayout(m_tcpGroup);
    v->setContentsMargins(0, 0, 0, 0);

    QHBoxLayout* ipLayout = nullptr;
    QWidget* ipRow = row(m_tcpGroup, "IP Address", nullptr, &ipLayout);
    for (int i = 0; i < 4; ++i) {
        if (i > 0)
            ipLayout->addWidget(new QLabel(".", ipRow));
        auto* octet = new QCustomLineEdit(ipRow);
        octet->setObjectName("ipAddr");
        octet->setDialogChild(false);
        octet->setAlignment(Qt::AlignCenter);
        octet->setMaximumWidth(50);
        octet->setValidator(new QIntValidator(0, 255, octet));
        octet->installEventFilter(this);
        ipLayout->addWidget(octet);
        m_octets[i] = octet;
    }
    ipLayout->addWidget(new QLabel(":", ipRow));
    m_tcpPort = new QCustomLineEdit(ipRow);
    m_tcpPort->setObjectName("ipPort");
    m_tcpPort->setAlignment(Qt::AlignCenter);
    m_tcpPort->setMaximumWidth(60);
    m_tcpPort->setPlaceholderText("port");
    m_tcpPort->setToolTip("Leave empty for the module's own port.");
    m_tcpPort->setValidator(new QIntValidator(1, 65535, m_tcpPort));
    ipLayout->addWidget(m_tcpPort);
    ipLayout->addStretch();
    v->addWidget(ipRow);
    m_tcpHint = new QLabel(kTcpHint, m_tcpGroup);
    m_tcpHint->setObjectName("tcpHint");
    m_tcpHint->setWordWrap(true);
    m_tcpHint->setStyleSheet("color: #555555;");
    v->addWidget(m_tcpHint);

    m_tcpLBus = numberedCombo(0, 31);
    m_tcpLBus->setObjectName("tcpLBusAddr");
    v->addWidget(row(m_tcpGroup, "LBus Addr", m_tcpLBus));

    m_userEdit = new QLineEdit;
    m_userEdit->setObjectName("editUsername");
    m_userRow = row(m_tcpGroup, "Username", m_userEdit);
    v->addWidget(m_userRow);
    m_passwordEdit = new QLineEdit;
    m_passwordEdit->setObjectName("editPassword");
    m_passwordEdit->setEchoMode(QLineEdit::Password);
    m_passwordRow = row(m_tcpGroup, "Password", m_passwordEdit);
    v->addWidget(m_passwordRow);
    return m_tcpGroup;
}

QWidget* QConnectDialog::buildVcpGroup()
{
    m_vcpGroup = new QWidget(connParamsGB);
    m_vcpGroup->setObjectName("vcpGroup");
    auto* v = new QVBoxLayout(m_vcpGroup);
    v->setContentsMargins(0, 0, 0, 0);

    m_port = new QCustomComboBox;
    m_port->setEditable(true);
    m_port->setDialogChild(true);
    m_port->setMinimumContentsLength(24);
    // The ports this machine has first, then the COM names of the modules'
    // own documentation.
    m_port->addItems(availableSerialPorts());
    for (int i = 0; i <= 21; ++i)
        m_port->addItem(QString("COM%1").arg(i));
    v->addWidget(row(m_vcpGroup, "Port", m_port));
    m_portHint = new QLabel(kPortHint, m_vcpGroup);
    m_portHint->setObjectName("portHint");
    m_portHint->setWordWrap(true);
    m_portHint->setStyleSheet("color: #555555;");
    v->addWidget(m_portHint);

    m_baud = new QComboBox;
    m_baud->setObjectName("baudRate");
    for (const char* b : {"300", "600", "1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200"})
        m_baud->addItem(b);
    v->addWidget(row(m_vcpGroup, "Baud", m_baud));

    m_data = numberedCombo(5, 8);
    m_data->setObjectName("dataBits");
    m_data->setCurrentIndex(m_data->count() - 1);
    v->addWidget(row(m_vcpGroup, "Data", m_data));

    m_stop = new QComboBox;
    m_stop->setObjectName("stopBits");
    m_stop->addItems({"1", "1.5", "2"});
    v->addWidget(row(m_vcpGroup, "Stop", m_stop));

    m_parity = new QComboBox;
    m_parity->setObjectName("parity");
    m_parity->addItems({"None", "Even", "Odd", "Mark", "Space"});
    v->addWidget(row(m_vcpGroup, "Parity", m_parity));

    m_vcpLBus = numberedCombo(0, 31);
    m_vcpLBus->setObjectName("vcpLBusAddr");
    v->addWidget(row(m_vcpGroup, "LBus Addr", m_vcpLBus));
    return m_vcpGroup;
}

QWidget* QConnectDialog::buildVmeGroup()
{
    // Board links of VME crates; kept for the crate types this dialog does not
    // offer, so it stays hidden.
    m_vmeGroup = new QWidget(connParamsGB);
    m_vmeGroup->setObjectName("vmeGroup");
    auto* v = new QVBoxLayout(m_vmeGroup);
    v->setContentsMargins(0, 0, 0, 0);
    QHBoxLayout* head = nullptr;
    QWidget* headRow = row(m_vmeGroup, "VME Connection", nullptr, &head);
    auto* plus = new QPushButton("+", headRow);
    auto* minus = new QPushButton("-", headRow);
    head->addStretch();
    head->addWidget(plus);
    head->addWidget(minus);
    v->addWidget(headRow);
    connect(plus, &QPushButton::clicked, this, &QConnectDialog::addNewVMEHVConnectionParametersWidget);
    connect(minus, &QPushButton::clicked, this, &QConnectDialog::removeLastVMEHVConnectionParametersWidget);
    addNewVMEHVConnectionParametersWidget();
    m_vmeGroup->hide();
    return m_vmeGroup;
}

void QConnectDialog::addNewVMEHVConnectionParametersWidget()
{
    const int n = m_vmeRows.size();
    QSettings settings(kOrganisation, kApplication);
    auto* name = new QLineEdit(settings.value(QString("lastBdName_%0").arg(n)).toString());
    QHBoxLayout* l = nullptr;
    QWidget* r = row(m_vmeGroup, "Board name", name, &l);
    auto* opt1 = new QSpinBox(r);
    opt1->setObjectName("opt1");
    opt1->setRange(0, 9);
    opt1->setValue(settings.value(QString("lastOptical1_%0").arg(n)).toInt());
    auto* opt2 = new QSpinBox(r);
    opt2->setObjectName("opt2");
    opt2->setRange(0, 8);
    opt2->setValue(settings.value(QString("lastOptical2_%0").arg(n)).toInt());
    auto* base = new QLineEdit(settings.value(QString("lastOptical3_%0").arg(n)).toString(), r);
    base->setMaxLength(8);
    base->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9A-Fa-f]{0,8}"), base));
    l->addWidget(opt1);
    l->addWidget(opt2);
    l->addWidget(new QLabel("0x", r));
    l->addWidget(base);
    m_vmeGroup->layout()->addWidget(r);
    m_vmeRows.push_back(r);
}

void QConnectDialog::removeLastVMEHVConnectionParametersWidget()
{
    if (m_vmeRows.size() <= 1)
        return;
    delete m_vmeRows.takeLast();
}

void QConnectDialog::connectChangeSignals()
{
    connect(editCustName, &QLineEdit::textChanged, this, &QConnectDialog::setCustomName);
    connect(comboConnType, &QComboBox::currentIndexChanged, this, &QConnectDialog::selectConnectionParameterToShow);
    for (QCustomLineEdit* octet : m_octets)
        connect(octet, &QLineEdit::textChanged, this, &QConnectDialog::checkFields);
    connect(m_tcpPort, &QLineEdit::textChanged, this, &QConnectDialog::checkFields);
    for (QComboBox* c : {m_tcpLBus, m_baud, m_data, m_stop, m_parity, m_vcpLBus, static_cast<QComboBox*>(m_port)})
        connect(c, &QComboBox::currentIndexChanged, this, &QConnectDialog::checkFields);
    connect(m_port, &QComboBox::editTextChanged, this, &QConnectDialog::checkFields);
    connect(comboPSType, &QComboBox::currentIndexChanged, this, &QConnectDialog::checkFields);
    connect(comboConnType, &QComboBox::currentIndexChanged, this, &QConnectDialog::checkFields);
}

bool QConnectDialog::okEnabled() const { return okButton->isEnabled(); }

void QConnectDialog::setCustomName() { m_deviceName = editCustName->text(); }

void QConnectDialog::selectConnectionParameterToShow()
{
    const bool tcp = comboConnType->currentIndex() == 0;
    m_tcpGroup->setVisible(tcp);
    m_userRow->hide();       // these module types take no login
    m_passwordRow->hide();
    m_vcpGroup->setVisible(comboConnType->currentIndex() == 1);
    m_vmeGroup->hide();
    if (isVisible())
        adjustSize();
}

void QConnectDialog::setConnTypeItems()
{
    comboConnType->clear();
    for (const NamedCode& link : kLinkTypes)
        comboConnType->addItem(link.text);
    checkFields();
}

void QConnectDialog::showAutodetectDialog() {}

bool QConnectDialog::readOctets(QString& ip) const
{
    QStringList parts;
    bool complete = true;
    for (const QCustomLineEdit* octet : m_octets) {
        bool ok = false;
        const int v = octet->text().toInt(&ok);
        if (!ok || v < 0 || v > 255)
            complete = false;
        parts << octet->text();
    }
    ip = parts.join(".");
    return complete;
}

void QConnectDialog::checkFields()
{
    if (!okButton)
        return;
    okButton->setEnabled(false);
    if (comboPSType->currentIndex() < 0 || comboConnType->currentIndex() < 0)
        return;

    QObject* from = sender();
    bool valid = false;
    if (comboConnType->currentIndex() == 0) {
        QCustomLineEdit* octet = nullptr;
        for (QCustomLineEdit* o : m_octets)
            if (from == o)
                octet = o;
        if (octet) {
            // Leading zeros go and an empty field reads 0, so that the address
            // text is the one the module is reached at.
            const QString normal = QString::number(octet->text().toInt());
            if (octet->text() != normal) {
                octet->setText(normal);   // re-enters through textChanged
                return;
            }
        }
        // The LBus address is whatever the box shows now, chosen or restored.
        m_lbusTcp = m_tcpLBus->currentIndex() >= 0 ? m_tcpLBus->currentText().toInt() : -1;
        QString ip;
        const bool complete = readOctets(ip);
        if (complete)
            m_ipAddress = ip;
        // An empty port field means the module's own port; a typed one must
        // be a port number.
        const bool portOk = m_tcpPort->text().isEmpty() || m_tcpPort->hasAcceptableInput();
        valid = complete && portOk && m_lbusTcp >= 0 && ip != "0.0.0.0" && ip != "255.255.255.255";
    } else {
        const QString typed = m_port->currentText().trimmed();
        m_portName = argumentPortName(typed);
        m_baudRate = m_baud->currentText().toInt();
        m_dataBits = m_data->currentText().toInt();
        m_stopIndex = m_stop->currentIndex();
        m_parityIndex = m_parity->currentIndex();
        m_lbusVcp = m_vcpLBus->currentIndex();
        valid = !m_portName.isEmpty() && m_baud->currentIndex() >= 0 && m_data->currentIndex() >= 0 &&
                m_stopIndex >= 0 && m_parityIndex >= 0 && m_lbusVcp >= 0;
        m_portHint->setText(!typed.isEmpty() && m_portName.isEmpty()
                                ? QString("\"_\" separates the fields of the link: name this port "
                                          "without one, or by the device it stands for.")
                                : QString(kPortHint));
    }
    okButton->setEnabled(valid);
}

QString QConnectDialog::argumentText() const
{
    if (comboConnType->currentIndex() == 0) {
        QString address = m_ipAddress;
        if (!m_tcpPort->text().isEmpty())
            address += ":" + m_tcpPort->text();
        return QString("%0_%1").arg(address).arg(m_lbusTcp);
    }
    if (comboConnType->currentIndex() == 1 && m_port)
        return QString("%0_%1_%2_%3_%4_%5")
            .arg(m_portName).arg(m_baudRate).arg(m_dataBits)
            .arg(m_stopIndex).arg(m_parityIndex).arg(m_lbusVcp);
    return QString();
}

void QConnectDialog::connectToAddress()
{
    checkFields();   // the values as the fields show them now
    m_request = ConnectionRequest();
    m_request.systemType = systemTypeOfIndex(comboPSType->currentIndex());
    m_request.name = m_deviceName;
    m_request.user = m_user;
    m_request.password = m_password;

    int linkType = -1;
    if (comboConnType->currentIndex() == 0)
        linkType = ZEVAHV_LINK_TCPIP;
    else if (m_port)
        linkType = ZEVAHV_LINK_USBVCP;
    else
        return;
    m_request.linkType = linkType;
    m_request.argument = argumentText();

    const Remembered choices = remembered(linkType);
    if (!m_mainWindow) {
        storeSettings(choices);
        return;
    }
    // The connection runs once this dialog has finished closing: it shows
    // progress and messages, during which the closed dialog is deleted.
    // Nothing of the dialog is used from here on.
    QPointer<MainWindow> window(m_mainWindow);
    const ConnectionRequest request = m_request;
    QTimer::singleShot(0, m_mainWindow, [window, request, choices] {
        if (!window)
            return;
        window->connectToSystem(request.systemType, request.linkType, request.argument, request.name,
                                request.user, request.password);
        storeSettings(choices);
    });
}

bool QConnectDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        for (int i = 0; i < 4; ++i) {
            if (watched != m_octets[i])
                continue;
            // "." goes on to the next part of the address, as it is typed.
            if (key->text() == QLatin1String(".")) {
                if (i < 3 && !m_octets[i]->text().isEmpty()) {
                    m_octets[i + 1]->setFocus(Qt::TabFocusReason);
                    m_octets[i + 1]->selectAll();
                }
                return true;
            }
            if (key->matches(QKeySequence::Paste) && pasteAddress(QApplication::clipboard()->text()))
                return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool QConnectDialog::pasteAddress(const QString& text)
{
    const QString t = text.trimmed();
    const QString host = t.section(':', 0, 0);
    const QString port = t.contains(':') ? t.section(':', 1) : QString();
    const QStringList parts = host.split('.');
    if (parts.size() != 4)
        return false;
    for (const QString& p : parts) {
        bool ok = false;
        const int v = p.toInt(&ok);
        if (!ok || v < 0 || v > 255)
            return false;
    }
    if (!port.isEmpty()) {
        bool ok = false;
        const int v = port.toInt(&ok);
        if (!ok || v < 1 || v > 65535)
            return false;
    }
    for (int i = 0; i < 4; ++i)
        m_octets[i]->setText(parts[i]);
    m_tcpPort->setText(port);
    return true;
}

void QConnectDialog::restoreSettings()
{
    QSettings s(kOrganisation, kApplication);
    editCustName->setText(s.value("lastCustName").toString());
    m_deviceName = editCustName->text();

    const auto restoreIndex = [](QComboBox* box, const QVariant& v) {
        bool ok = false;
        const int i = v.toInt(&ok);
        if (ok && i >= 0 && i < box->count())
            box->setCurrentIndex(i);
    };
    const auto restoreText = [](QComboBox* box, const QString& text) {
        const int i = text.isEmpty() ? -1 : box->findText(text);
        if (i >= 0)
            box->setCurrentIndex(i);
    };
    restoreIndex(comboPSType, s.value("lastPSType", 0));
    restoreIndex(comboConnType, s.value("lastConnType", 0));

    const QStringList octets = s.value("lastIpAddress").toString().split('.');
    if (octets.size() == 4) {
        for (int i = 0; i < 4; ++i) {
            const bool blocked = m_octets[i]->blockSignals(true);
            m_octets[i]->setText(octets[i]);
            m_octets[i]->blockSignals(blocked);
        }
        QString ip;
        if (readOctets(ip))
            m_ipAddress = ip;
    }
    {
        const bool blocked = m_tcpPort->blockSignals(true);
        m_tcpPort->setText(s.value("lastIpPort").toString());
        m_tcpPort->blockSignals(blocked);
    }
    m_user = s.value("lastUserName").toString();
    m_userEdit->setText(m_user);
    restoreIndex(m_tcpLBus, s.value("lastLBusAddrTCP", 0));

    const QString port = s.value("lastCommPort").toString();
    if (m_port->findText(port) >= 0)
        restoreText(m_port, port);
    else if (!port.isEmpty())
        m_port->setEditText(port);   // a device path typed by hand last time
    restoreText(m_baud, s.value("lastBaudRate").toString());
    restoreText(m_data, s.value("lastCommData").toString());
    restoreIndex(m_stop, s.value("lastCommStop", 0));
    restoreIndex(m_parity, s.value("lastCommParity", 0));
    restoreIndex(m_vcpLBus, s.value("lastLBusAddr", 0));
    selectConnectionParameterToShow();
}

QConnectDialog::Remembered QConnectDialog::remembered(int linkType) const
{
    Remembered r;
    r.linkType = linkType;
    r.deviceName = m_deviceName;
    r.psType = comboPSType->currentIndex();
    r.connType = comboConnType->currentIndex();
    r.ipAddress = m_ipAddress;
    r.ipPort = m_tcpPort->text();
    r.user = m_user;
    r.tcpLBusIndex = m_tcpLBus->currentIndex();
    r.portName = m_port->currentText().trimmed();   // as the operator chose it
    r.baudRate = m_baudRate;
    r.dataBits = m_dataBits;
    r.stopIndex = m_stopIndex;
    r.parityIndex = m_parityIndex;
    r.vcpLBus = m_lbusVcp;
    return r;
}

void QConnectDialog::storeSettings(const Remembered& r)
{
    QSettings s(kOrganisation, kApplication);
    s.setValue("lastCustName", r.deviceName);
    s.setValue("lastPSType", r.psType);
    s.setValue("lastConnType", r.connType);
    if (r.linkType == ZEVAHV_LINK_TCPIP) {
        s.setValue("lastIpAddress", r.ipAddress);
        s.setValue("lastIpPort", r.ipPort);
        s.setValue("lastUserName", r.user);
        s.setValue("lastLBusAddrTCP", r.tcpLBusIndex);
    } else {
        s.setValue("lastCommPort", r.portName);
        s.setValue("lastBaudRate", r.baudRate);
        s.setValue("lastCommData", r.dataBits);
        s.setValue("lastCommStop", r.stopIndex);
        s.setValue("lastCommParity", r.parityIndex);
        s.setValue("lastLBusAddr", r.vcpLBus);
    }
    s.sync();
}

void QConnectDialog::place(QWidget* parent, int verticalOffset)
{
    if (!parent)
        return;
    const QPoint topLeft(parent->width() / 2 - width() / 2,
                         parent->height() / 2 + verticalOffset - height() / 2);
    move(parent->mapToGlobal(topLeft));
}
