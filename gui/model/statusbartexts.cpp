#include "statusbartexts.h"

#include <QStringList>

#include "ZEVAHVLink.h"

namespace ZEVAHVStatusBar {

QString titleLine(int systemType, const QString &rootName)
{
    return systemType == ZEVAHV_SYS_W40XX ? QStringLiteral("VME HV Crate") : rootName;
}

namespace {

QString serialLine(const QString &argument)
{
    // port _ baud _ data bits _ stop-bits index _ parity index _ board address
    const QStringList parts = argument.split(QLatin1Char('_'));
    if (parts.size() != 6)
        return QString();
    static const char *const stopTexts[] = {"1", "1.5", "2"};
    static const char *const parityTexts[] = {"None", "Even", "Odd", "Mark", "Space"};
    const int stop = parts[3].toInt();      // not a number counts as 0
    const int parity = parts[4].toInt();
    // A bare port number ("4") reads as COM4; a port name is shown as given.
    bool numeric = false;
    parts[0].toInt(&numeric);
    QString line = (numeric ? QStringLiteral("COM") : QString()) + parts[0];
    line += QStringLiteral(", BaudRate: ") + parts[1];
    line += QStringLiteral(", Data: ") + parts[2];
    line += QStringLiteral(", Stop: ");
    if (stop >= 0 && stop < 3)
        line += QLatin1String(stopTexts[stop]);
    line += QStringLiteral(", Parity: ");
    if (parity >= 0 && parity < 5)
        line += QLatin1String(parityTexts[parity]);
    return line;
}

} // namespace

QString connectionLine(int linkType, const QString &argument)
{
    switch (linkType) {
    case ZEVAHV_LINK_TCPIP: {
        const QStringList parts = argument.split(QLatin1Char('_'));
        if (parts.size() < 2)
            return QStringLiteral("IP: ") + argument;
        return QStringLiteral("IP: ") + parts[0] + QStringLiteral(", LBus: ") + parts[1];
    }
    case ZEVAHV_LINK_USB:
        return QStringLiteral("USB ") + argument.left(1);
    case ZEVAHV_LINK_OPTLINK:
        return argument.size() >= 3 ? QStringLiteral("OPTICAL LINK ") + argument.left(3) : QString();
    case ZEVAHV_LINK_USBVCP:
        return serialLine(argument);
    default:
        return argument;
    }
}

} // namespace ZEVAHVStatusBar
