#include "devicetypes.h"

namespace {
template <size_t N>
int codeOf(const NamedCode (&table)[N], const QString& text)
{
    for (const NamedCode& entry : table)
        if (text.compare(QLatin1String(entry.text), Qt::CaseInsensitive) == 0)
            return entry.code;
    return -1;
}
}

int deviceTypeCode(const QString& text) { return codeOf(kDeviceTypes, text.trimmed()); }

int linkTypeCode(const QString& text) { return codeOf(kLinkTypes, text.trimmed()); }
