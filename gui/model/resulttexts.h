#ifndef RESULTTEXTS_H
#define RESULTTEXTS_H

#include <QString>

// What a library result code means, in words an operator can act on.
namespace ZEVAHVResultText {

// A short phrase for a result code ("no reply within the time-out"); codes
// the library does not define give "unknown result".
QString describe(int code);

// The reason line of a failed open: the library's own error text, the
// phrase and the code, e.g. "Connection failed: the module did not answer
// ... (result 4100)".  `libraryText` may be empty.
QString failureReason(int code, const QString &libraryText);

} // namespace ZEVAHVResultText

#endif // RESULTTEXTS_H
