#ifndef UNITTEXTS_H
#define UNITTEXTS_H

#include <QString>
#include <QVariant>

// Texts shown next to values in every view of the program.
namespace ZEVAHVText {

// Unit code of the property "Unit": 0 none, 1 "A", 2 "V" ... 10 "Count".
QString unitText(int unitCode);
// Decimal prefix of the property "Exp": -9 "n", -6 "u", -3 "m", 0 " ",
// 3 "K", 6 "M"; anything else one blank.
QString prefixText(int exponent);
// The unit text of a parameter from its "Exp" and "Unit" properties (a null
// property contributes nothing); library type 4 (bit pattern) shows "0x".
QString parameterUnitText(int libraryType, const QVariant &exponent, const QVariant &unit);
// An on/off text of a channel parameter: "+" becomes "POS" and "-" becomes
// "NEG" (blanks ignored); any other text stays as it is.
QString channelOnOffText(const QString &text);
// "Connection Pending", "Connection Ok", "Connection Ko"; empty otherwise.
QString connectionStateText(int state);

} // namespace ZEVAHVText

#endif // UNITTEXTS_H
