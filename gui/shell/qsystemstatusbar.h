#pragma once
// A system's status bar: name, connection parameters, connection state and
// the three event lights (ok, warning, error).
#include <QStatusBar>

class QLabel;

class QSystemStatusBar : public QStatusBar
{
    Q_OBJECT
public:
    enum ConnectionStatus { Pending = 0, Connected = 1, Disconnected = 2, TransparentMode = 3 };

    explicit QSystemStatusBar(QWidget* parent = nullptr);

    void setSystemName(const QString& name);
    void setConnectionParameters(const QString& text);
    void setConnectionStatus(int status);
    void setEventLights(bool ok, bool warning, bool error);
    void switchLightsOff();

    QLabel* nameLabel() const { return m_name; }
    QLabel* connectionParameterLabel() const { return m_params; }
    QLabel* connectionStatusLabel() const { return m_status; }
    QLabel* okLight() const { return m_ok; }
    QLabel* warningLight() const { return m_warn; }
    QLabel* errorLight() const { return m_err; }
    // The resource path each light shows now (for checks and tool tips).
    QString okLightPicture() const { return m_okPath; }
    QString warningLightPicture() const { return m_warnPath; }
    QString errorLightPicture() const { return m_errPath; }

private:
    void setLight(QLabel* light, QString& store, const QString& path);

    QLabel* m_name;
    QLabel* m_params;
    QLabel* m_status;
    QLabel* m_ok;
    QLabel* m_warn;
    QLabel* m_err;
    QString m_okPath, m_warnPath, m_errPath;
};
