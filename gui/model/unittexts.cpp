#include "unittexts.h"

namespace ZEVAHVText {

QString unitText(int unitCode)
{
    switch (unitCode) {
    case 1: return QStringLiteral("A");
    case 2: return QStringLiteral("V");
    case 3: return QStringLiteral("W");
    case 4: return QString(QChar(0x00B0)) + QStringLiteral("C");
    case 5: return QStringLiteral("Hz");
    case 6: return QStringLiteral("Bar");
    case 7: return QStringLiteral("Vps");
    case 8: return QStringLiteral("sec");
    case 9: return QStringLiteral("Rpm");
    case 10: return QStringLiteral("Count");
    default: return QString();
    }
}

QString prefixText(int exponent)
{
    switch (exponent) {
    case -9: return QStringLiteral("n");
    case -6: return QStringLiteral("u");
    case -3: return QStringLiteral("m");
    case 3: return QStringLiteral("K");
    case 6: return QStringLiteral("M");
    default: return QStringLiteral(" ");
    }
}

QString parameterUnitText(int libraryType, const QVariant &exponent, const QVariant &unit)
{
    if (libraryType == 4)
        return QStringLiteral("0x");
    QString text;
    if (!exponent.isNull())
        text += prefixText(exponent.toInt());
    if (!unit.isNull())
        text += unitText(unit.toInt());
    return text;
}

QString channelOnOffText(const QString &text)
{
    QString bare = text;
    bare.remove(QLatin1Char(' '));
    if (bare == QLatin1String("+"))
        return QStringLiteral("POS");
    if (bare == QLatin1String("-"))
        return QStringLiteral("NEG");
    return text;
}

QString connectionStateText(int state)
{
    switch (state) {
    case 0: return QStringLiteral("Connection Pending");
    case 1: return QStringLiteral("Connection Ok");
    case 2: return QStringLiteral("Connection Ko");
    default: return QString();
    }
}

} // namespace ZEVAHVText
