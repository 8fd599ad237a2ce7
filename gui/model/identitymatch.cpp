#include "identitymatch.h"

#include <cstring>

namespace ZEVAHVIdentity {

QString identificationText(const char *bytes, int size, int *consumed)
{
    if (!bytes || size <= 0) {
        if (consumed)
            *consumed = 0;
        return QString();
    }
    const void *end = std::memchr(bytes, 0, size_t(size));
    const int length = end ? int(static_cast<const char *>(end) - bytes) : size;
    if (consumed)
        *consumed = end ? length + 1 : length;
    return QString::fromLatin1(bytes, length);
}

bool matches(const QString &identity, const QString &connectionArgument, bool byPeerAddress)
{
    if (identity.isEmpty() || connectionArgument.isEmpty())
        return false;
    if (identity.compare(connectionArgument, Qt::CaseInsensitive) == 0)
        return true;
    if (!byPeerAddress)
        return false;
    int cut = connectionArgument.size();
    for (QChar c : {QLatin1Char(':'), QLatin1Char('_')}) {
        const int at = connectionArgument.indexOf(c);
        if (at >= 0 && at < cut)
            cut = at;
    }
    return identity.compare(connectionArgument.left(cut), Qt::CaseInsensitive) == 0;
}

} // namespace ZEVAHVIdentity
