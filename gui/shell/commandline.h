#pragma once
// Velmora's optional start-up arguments:
//   --connect TYPE,LINK,ARGUMENT,NAME   connect a system at start (repeatable);
//                                       TYPE is P731X, Q2904, Q2906 or a type code,
//                                       LINK is TCP/IP, VCP USB (or USBVCP) or a link code
//   --screenshot FILE --after SECONDS   save a picture of the window, then exit
#include <QString>
#include <QStringList>
#include <QVector>

#include "qconnectdialog.h"

struct StartupOptions {
    QVector<ConnectionRequest> connections;
    QString screenshotFile;
    double screenshotAfterSeconds = 0;
    QString error;   // empty when the arguments are good
};

// Parses one --connect value; false (and a message) for a bad one.
bool parseConnectValue(const QString& value, ConnectionRequest& out, QString& error);
// Parses the whole argument list (the program name first, as main gets it).
StartupOptions parseStartupOptions(const QStringList& arguments);
