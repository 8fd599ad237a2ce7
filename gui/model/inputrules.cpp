#include "inputrules.h"

#include <QRegularExpression>
#include <cmath>

namespace ZEVAHVInput {
namespace {

const char *const kNothingWritten = "\nNothing was written to the module.";

QString rangeText(const QString &min, const QString &max, const QString &unit)
{
    const QString u = unit.trimmed();
    return QStringLiteral("from %1 to %2%3").arg(min, max, u.isEmpty() ? QString() : QStringLiteral(" ") + u);
}

Checked refused(const QString &why)
{
    Checked c;
    c.reason = why + QLatin1String(kNothingWritten);
    return c;
}

Checked emptyRefusal(const QString &parameter, const QString &range)
{
    return refused(QStringLiteral("No value was typed for %1.\n%1 takes a value %2.").arg(parameter, range));
}

} // namespace

Checked wholeNumber(const QString &typed, qint64 min, qint64 max, const QString &parameter,
                    const QString &unit)
{
    const QString t = typed.trimmed();
    const QString range = rangeText(QString::number(min), QString::number(max), unit);
    if (t.isEmpty())
        return emptyRefusal(parameter, range);
    static const QRegularExpression whole(QStringLiteral("^[+-]?[0-9]+$"));
    if (!whole.match(t).hasMatch())
        return refused(QStringLiteral("\"%1\" is not a whole number.\n%2 takes a value %3.").arg(t, parameter, range));
    bool ok = false;
    const qint64 v = t.toLongLong(&ok);
    if (!ok || v < min || v > max)
        return refused(QStringLiteral("%1 is out of range for %2.\n%2 takes a value %3.").arg(t, parameter, range));
    Checked c;
    c.ok = true;
    c.value = v;
    return c;
}

Checked decimalNumber(const QString &typed, double min, double max, int decimals,
                      const QString &parameter, const QString &unit)
{
    const QString t = typed.trimmed();
    const int d = qMax(0, decimals);
    const QString range = rangeText(QString::number(min, 'f', d), QString::number(max, 'f', d), unit);
    if (t.isEmpty())
        return emptyRefusal(parameter, range);
    static const QRegularExpression decimal(QStringLiteral("^[+-]?([0-9]+\\.?[0-9]*|\\.[0-9]+)$"));
    if (!decimal.match(t).hasMatch())
        return refused(QStringLiteral("\"%1\" is not a number.\n%2 takes a value %3.").arg(t, parameter, range));
    const int point = t.indexOf(QLatin1Char('.'));
    const int given = point < 0 ? 0 : int(t.size() - point - 1);
    if (given > d)
        return refused(QStringLiteral("%1 has more decimals than %2 takes (%3).\n%2 takes a value %4.")
                           .arg(t, parameter, QString::number(d), range));
    bool ok = false;
    const double v = t.toDouble(&ok);
    // The limits compare at the precision the value is shown and sent with.
    const double slack = 0.5 * std::pow(10.0, -d - 1);
    if (!ok || !std::isfinite(v) || v < min - slack || v > max + slack)
        return refused(QStringLiteral("%1 is out of range for %2.\n%2 takes a value %3.").arg(t, parameter, range));
    Checked c;
    c.ok = true;
    c.value = v;
    return c;
}

Checked text(const QString &typed, int maxLength, const QString &parameter)
{
    if (maxLength >= 0 && typed.size() > maxLength)
        return refused(QStringLiteral("\"%1\" is too long for %2: it takes at most %3 characters.")
                           .arg(typed, parameter, QString::number(maxLength)));
    Checked c;
    c.ok = true;
    c.value = typed;
    return c;
}

} // namespace ZEVAHVInput
