#ifndef STATUSBARTEXTS_H
#define STATUSBARTEXTS_H

#include <QString>

// The two lines of a system's status bar.
namespace ZEVAHVStatusBar {

// "VME HV Crate" for VME boards (system type 5), otherwise the system name.
QString titleLine(int systemType, const QString &rootName);
// The connection parameters as the operator reads them, from the link type
// and the connection argument.
QString connectionLine(int linkType, const QString &argument);

} // namespace ZEVAHVStatusBar

#endif // STATUSBARTEXTS_H
