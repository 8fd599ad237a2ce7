#pragma once
// The form in which the operator names a module, picks its model and link and
// fills in the link's parameters.  OK hands the values to the main window;
// the last choices are remembered for the next run.
#include <QDialog>
#include <QString>
#include <QVector>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;
class QCustomComboBox;
class QCustomLineEdit;
class MainWindow;
class QSettings;

// What OK asks the main window to connect.
struct ConnectionRequest {
    int systemType = -1;
    int linkType = -1;
    QString argument;
    QString name;
    QString user;
    QString password;
};

class QConnectDialog : public QDialog
{
    Q_OBJECT
public:
    // mainWindow may be null: the dialog then only builds the request.
    QConnectDialog(QWidget* parent, int verticalOffset, MainWindow* mainWindow);

    // System type code of a device type position (P731X, Q2904, Q2906).
    static int systemTypeOfIndex(int index);
    // The request that the last OK built.
    const ConnectionRequest& lastRequest() const { return m_request; }
    bool okEnabled() const;
    // The address argument the fields give now (empty when they give none).
    QString argumentText() const;

    // The settings store of the remembered choices.
    static const char* const kOrganisation;
    static const char* const kApplication;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

public slots:
    void setCustomName();
    void connectToAddress();
    void checkFields();
    void addNewVMEHVConnectionParametersWidget();
    void removeLastVMEHVConnectionParametersWidget();
    void selectConnectionParameterToShow();
    void setConnTypeItems();
    void showAutodetectDialog();

private:
    void buildForm();
    QWidget* buildTcpGroup();
    QWidget* buildVcpGroup();
    QWidget* buildVmeGroup();
    void connectChangeSignals();
    void restoreSettings();
    // What OK remembers, taken from the fields before the connection runs:
    // the dialog is gone by the time the connection ends.
    struct Remembered;
    Remembered remembered(int linkType) const;
    static void storeSettings(const Remembered& r);
    void place(QWidget* parent, int verticalOffset);
    bool readOctets(QString& ip) const;
    // Fills the address fields from a pasted "a.b.c.d[:port]"; false when
    // the text is no such address.
    bool pasteAddress(const QString& text);

    MainWindow* m_mainWindow;

    // form
    QLineEdit* editCustName = nullptr;
    QComboBox* comboPSType = nullptr;
    QComboBox* comboConnType = nullptr;
    QGroupBox* connParamsGB = nullptr;
    QPushButton* okButton = nullptr;
    QPushButton* cancelButton = nullptr;
    // TCP/IP
    QWidget* m_tcpGroup = nullptr;
    QCustomLineEdit* m_octets[4] = {};
    QCustomLineEdit* m_tcpPort = nullptr;   // empty: the module's own port
    QLabel* m_tcpHint = nullptr;
    QComboBox* m_tcpLBus = nullptr;
    QWidget* m_userRow = nullptr;
    QLineEdit* m_userEdit = nullptr;
    QWidget* m_passwordRow = nullptr;
    QLineEdit* m_passwordEdit = nullptr;
    // VCP USB
    QWidget* m_vcpGroup = nullptr;
    QCustomComboBox* m_port = nullptr;
    QLabel* m_portHint = nullptr;
    QComboBox* m_baud = nullptr;
    QComboBox* m_data = nullptr;
    QComboBox* m_stop = nullptr;
    QComboBox* m_parity = nullptr;
    QComboBox* m_vcpLBus = nullptr;
    // VME board rows (built, never shown for the module types offered here)
    QWidget* m_vmeGroup = nullptr;
    QVector<QWidget*> m_vmeRows;

    // collected values
    QString m_deviceName;
    QString m_user;
    QString m_password;
    QString m_ipAddress;
    int m_lbusTcp = -1;
    QString m_portName;
    int m_baudRate = 0;
    int m_dataBits = 0;
    int m_stopIndex = -1;
    int m_parityIndex = -1;
    int m_lbusVcp = -1;

    ConnectionRequest m_request;
};
