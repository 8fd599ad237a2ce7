#include "serialports.h"

#include <QDir>
#include <QFileInfo>

namespace {
QStringList entries(const QString& folder, const QStringList& patterns)
{
    QDir dir(folder);
    QStringList out;
    for (const QString& name : dir.entryList(patterns, QDir::System | QDir::Files | QDir::NoDotAndDotDot, QDir::Name))
        out << dir.filePath(name);
    return out;
}
}

QStringList availableSerialPorts(const QString& devRoot)
{
    QStringList ports = entries(devRoot, {"ttyUSB*"});
    ports += entries(devRoot, {"ttyACM*"});
    ports += entries(devRoot + "/serial/by-id", {"*"});
    return ports;
}

QString argumentPortName(const QString& port)
{
    const QString name = port.trimmed();
    if (!name.contains('_'))
        return name;
    const QString target = QFileInfo(name).canonicalFilePath();
    return target.isEmpty() || target.contains('_') ? QString() : target;
}
