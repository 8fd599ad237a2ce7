#include "resulttexts.h"

#include "ZEVAHVLink.h"

namespace ZEVAHVResultText {

QString describe(int code)
{
    switch (code) {
    case ZEVAHV_OK: return QStringLiteral("no error");
    case -1: return QStringLiteral("no connection argument was given");
    case ZEVAHV_ERR_SYSERR: return QStringLiteral("the connection could not be created");
    case ZEVAHV_ERR_WRITE: return QStringLiteral("sending to the system failed");
    case ZEVAHV_ERR_READ: return QStringLiteral("reading from the system failed");
    case ZEVAHV_ERR_TIMEERR: return QStringLiteral("no reply within the time-out");
    case ZEVAHV_ERR_DOWN: return QStringLiteral("the system closed the connection");
    case ZEVAHV_ERR_NOTPRES: return QStringLiteral("not offered by this system type");
    case ZEVAHV_ERR_SLOTNOTPRES: return QStringLiteral("the board is not present");
    case ZEVAHV_ERR_NOMEMORY: return QStringLiteral("out of memory");
    case ZEVAHV_ERR_OUTOFRANGE: return QStringLiteral("a slot, channel or value out of range");
    case ZEVAHV_ERR_DEVALREADYOPEN: return QStringLiteral("this system is already open");
    case ZEVAHV_ERR_TOOMANYDEVICEOPEN: return QStringLiteral("too many systems are open");
    case ZEVAHV_ERR_INVALIDPARAMETER: return QStringLiteral("an invalid connection argument");
    case ZEVAHV_ERR_SOCKETERROR: return QStringLiteral("a socket error");
    case ZEVAHV_ERR_COMMUNICATIONERROR: return QStringLiteral("the system's answer could not be read");
    case ZEVAHV_ERR_NOTCONNECTED: return QStringLiteral("the system is not connected");
    case ZEVAHV_ERR_OPENFAILED:
        return QStringLiteral("the module did not answer at this address, or the link could not be opened");
    case ZEVAHV_ERR_INVALIDLINK: return QStringLiteral("this link type is not offered for this system type");
    case ZEVAHV_ERR_LOGINFAILED: return QStringLiteral("the login was refused");
    default: return QStringLiteral("unknown result");
    }
}

QString failureReason(int code, const QString &libraryText)
{
    const QString text = libraryText.trimmed();
    const QString phrase = describe(code);
    const QString head = text.isEmpty() ? phrase : text + QStringLiteral(": ") + phrase;
    return QStringLiteral("%1 (result %2)").arg(head).arg(code);
}

} // namespace ZEVAHVResultText
