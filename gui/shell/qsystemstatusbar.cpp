#include "qsystemstatusbar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>

namespace {
const QString kOn = ":/Resources/buttons/led_on_mid.png";
const QString kWarn = ":/Resources/buttons/led_warn_mid.png";
const QString kErr = ":/Resources/buttons/led_err_mid.png";
const QString kOffMid = ":/Resources/buttons/led_off_mid.png";
const QString kOff = ":/Resources/buttons/led_off.png";
}

QSystemStatusBar::QSystemStatusBar(QWidget* parent) : QStatusBar(parent)
{
    setSizeGripEnabled(false);
    setMinimumHeight(28);
    setContextMenuPolicy(Qt::NoContextMenu);

    m_name = new QLabel(this);
    m_name->setContentsMargins(10, 0, 10, 0);
    m_name->setToolTip("Power supply name");
    m_params = new QLabel(this);
    m_params->setToolTip("Power supply connection parameter(s)");
    addWidget(m_name);
    addWidget(m_params, 1);

    auto* group = new QWidget(this);
    auto* layout = new QHBoxLayout(group);
    layout->setContentsMargins(0, 0, 10, 0);
    layout->setSpacing(4);
    m_status = new QLabel(group);
    m_status->setToolTip("Connection status");
    layout->addWidget(m_status);
    layout->addSpacing(15);
    m_ok = new QLabel(group);
    m_warn = new QLabel(group);
    m_err = new QLabel(group);
    for (QLabel* l : {m_ok, m_warn, m_err}) {
        l->setToolTip("Events status");
        layout->addWidget(l);
    }
    addPermanentWidget(group);
    setEventLights(false, false, false);
}

void QSystemStatusBar::setSystemName(const QString& name) { m_name->setText(name); }
void QSystemStatusBar::setConnectionParameters(const QString& text) { m_params->setText(text); }

void QSystemStatusBar::setConnectionStatus(int status)
{
    switch (status) {
    case Pending:
        m_status->setText("PENDING CONNECTION");
        break;
    case Connected:
        m_status->setStyleSheet("QLabel {color : green; }");
        m_status->setText("CONNECTED");
        break;
    case Disconnected:
        // The green of a good connection must not stay on a lost one.
        m_status->setStyleSheet("QLabel {color : #c00b20; }");
        m_status->setText("DISCONNECTED");
        break;
    case TransparentMode:
        m_status->setStyleSheet("QLabel {color : red; }");
        m_status->setText("TRANSPARENT MODE ACTIVE");
        break;
    default:
        m_status->setText(QString());
        break;
    }
}

void QSystemStatusBar::setLight(QLabel* light, QString& store, const QString& path)
{
    store = path;
    light->setPixmap(QPixmap(path));
}

void QSystemStatusBar::setEventLights(bool ok, bool warning, bool error)
{
    setLight(m_ok, m_okPath, ok ? kOn : kOffMid);
    setLight(m_warn, m_warnPath, warning ? kWarn : kOffMid);
    setLight(m_err, m_errPath, error ? kErr : kOffMid);
}

void QSystemStatusBar::switchLightsOff()
{
    setLight(m_ok, m_okPath, kOff);
    setLight(m_warn, m_warnPath, kOff);
    setLight(m_err, m_errPath, kOff);
}
