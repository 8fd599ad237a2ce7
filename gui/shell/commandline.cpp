#include "commandline.h"

#include "devicetypes.h"
#include "qsysteminterface.h"

namespace {
// A device type or link by its name, or by its code as a number (any family
// the library knows can be tried from the command line).
int codeOrNumber(int named, const QString& text)
{
    if (named >= 0)
        return named;
    bool ok = false;
    const int code = text.trimmed().toInt(&ok);
    return ok && code >= 0 ? code : -1;
}

int systemTypeCode(const QString& text) { return codeOrNumber(deviceTypeCode(text), text); }

int linkCode(const QString& text)
{
    const QString t = text.trimmed().toUpper();
    // The short forms an operator types at a shell.
    if (t == "TCP")
        return ZEVAHV_LINK_TCPIP;
    if (t == "USBVCP" || t == "VCP")
        return ZEVAHV_LINK_USBVCP;
    return codeOrNumber(linkTypeCode(text), text);
}
}

bool parseConnectValue(const QString& value, ConnectionRequest& out, QString& error)
{
    // The argument itself never holds a comma, so the split is unambiguous;
    // the name may be left out.
    const QStringList parts = value.split(',');
    if (parts.size() < 3 || parts.size() > 4) {
        error = QString("--connect wants TYPE,LINK,ARGUMENT[,NAME], got \"%1\"").arg(value);
        return false;
    }
    out = ConnectionRequest();
    out.systemType = systemTypeCode(parts[0]);
    out.linkType = linkCode(parts[1]);
    out.argument = parts[2].trimmed();
    out.name = parts.size() == 4 ? parts[3].trimmed() : QString();
    if (out.systemType < 0) {
        error = QString("unknown device type \"%1\" (P731X, Q2904, Q2906 or a type code)").arg(parts[0]);
        return false;
    }
    if (out.linkType < 0) {
        error = QString("unknown link type \"%1\" (TCP/IP, VCP USB or a link code)").arg(parts[1]);
        return false;
    }
    if (out.argument.isEmpty() || out.argument.size() > QSystemInterface::kMaxArgumentLength) {
        error = QString("the connection argument must hold 1 to %1 characters")
                    .arg(QSystemInterface::kMaxArgumentLength);
        return false;
    }
    return true;
}

StartupOptions parseStartupOptions(const QStringList& arguments)
{
    StartupOptions o;
    bool afterGiven = false;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (a == "--connect" || a == "--screenshot" || a == "--after") {
            if (!hasValue) {
                o.error = QString("%1 needs a value").arg(a);
                return o;
            }
            const QString v = arguments[++i];
            if (a == "--connect") {
                ConnectionRequest r;
                if (!parseConnectValue(v, r, o.error))
                    return o;
                o.connections.push_back(r);
            } else if (a == "--screenshot") {
                o.screenshotFile = v;
            } else {
                bool ok = false;
                o.screenshotAfterSeconds = v.toDouble(&ok);
                if (!ok || o.screenshotAfterSeconds < 0 || o.screenshotAfterSeconds > 86400) {
                    o.error = QString("--after wants a number of seconds, got \"%1\"").arg(v);
                    return o;
                }
                afterGiven = true;
            }
        } else {
            // Qt's own options (-platform, -style ...) were taken by the
            // application object already; anything else is a mistake.
            o.error = QString("unknown argument \"%1\"").arg(a);
            return o;
        }
    }
    if (afterGiven && o.screenshotFile.isEmpty())
        o.error = "--after goes with --screenshot FILE";
    return o;
}
