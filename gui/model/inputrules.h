#ifndef INPUTRULES_H
#define INPUTRULES_H

#include <QString>
#include <QVariant>

// What an operator typed into an editor, checked before anything is sent to
// a system.  A value is taken exactly as typed or refused with a message
// that says why; it is never cut, rounded or moved into range.
namespace ZEVAHVInput {

struct Checked {
    bool ok = false;
    QVariant value;   // when ok: int for whole numbers, double otherwise
    QString reason;   // when refused: the message for the operator
};

// A whole number from `min` to `max`: optional sign, digits, nothing else.
Checked wholeNumber(const QString &typed, qint64 min, qint64 max, const QString &parameter,
                    const QString &unit = QString());

// A decimal number from `min` to `max` with at most `decimals` digits after
// the point ("." whatever the desktop's language; no exponent).
Checked decimalNumber(const QString &typed, double min, double max, int decimals,
                      const QString &parameter, const QString &unit = QString());

// A text of at most `maxLength` characters (no limit when negative).
Checked text(const QString &typed, int maxLength, const QString &parameter);

} // namespace ZEVAHVInput

#endif // INPUTRULES_H
