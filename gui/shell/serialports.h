#pragma once
// The serial ports an operator can pick on this machine, and the port name
// a connection argument can carry.
#include <QString>
#include <QStringList>

// The USB serial devices present under `devRoot` ("/dev" on a real
// machine): ttyUSB*, ttyACM* and the stable names under serial/by-id/, as
// full paths, sorted within each group.
QStringList availableSerialPorts(const QString& devRoot = QStringLiteral("/dev"));

// The port name to put into a serial connection argument.  The argument
// separates its fields with "_", so a device path that holds one (the
// by-id names usually do) is replaced by the device its link names.  Empty
// when the port cannot be named without a "_".
QString argumentPortName(const QString& port);
