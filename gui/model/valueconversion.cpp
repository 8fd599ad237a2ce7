#include "valueconversion.h"

#include <cstring>

#include <QString>

namespace ZEVAHVValue {
namespace {

template <typename T>
bool readScalar(const char *bytes, int size, T &out)
{
    if (!bytes || size < static_cast<int>(sizeof(T)))
        return false;
    std::memcpy(&out, bytes, sizeof(T));
    return true;
}

} // namespace

QVariant fromBytes(int valueType, const char *bytes, int size)
{
    switch (valueType) {
    case 0:
    case 2: {
        qint32 v;
        return readScalar(bytes, size, v) ? QVariant(int(v)) : QVariant();
    }
    case 1: {
        qint16 v;
        return readScalar(bytes, size, v) ? QVariant(int(v)) : QVariant();
    }
    case 3:
    case 5: {
        quint32 v;
        return readScalar(bytes, size, v) ? QVariant(uint(v)) : QVariant();
    }
    case 4: {
        quint16 v;
        return readScalar(bytes, size, v) ? QVariant(uint(v)) : QVariant();
    }
    case 6: {
        float v;
        return readScalar(bytes, size, v) ? QVariant(v) : QVariant();
    }
    case 8: {
        quint32 v;
        return readScalar(bytes, size, v) ? QVariant(v != 0) : QVariant();
    }
    case 9: {
        qint32 v;
        return readScalar(bytes, size, v) ? QVariant(float(v)) : QVariant();
    }
    case 7:
    default: {
        if (!bytes || size <= 0)
            return QVariant(QString());
        const void *end = std::memchr(bytes, 0, size_t(size));
        const int length = end ? int(static_cast<const char *>(end) - bytes) : size;
        return QVariant(QString::fromLatin1(bytes, length));
    }
    }
}

int valueTypeForParameter(int libraryType)
{
    switch (libraryType) {
    case 0: return 6;
    case 1: return 8;
    case 2:                 // channel status word
    case 3: return 3;       // board status word: both unsigned 32-bit
    case 4: return 0;
    case 5: return 7;
    case 6: return 9;
    default: return 7;
    }
}

int valueTypeForSystemProperty(int libraryType, int current)
{
    switch (libraryType) {
    case 0: return 7;
    case 1: return 6;
    case 2: return 4;
    case 3: return 3;
    case 4: return 1;
    case 5: return 0;
    case 6: return 8;
    default: return current;
    }
}

int accessModeFromLibrary(unsigned mode)
{
    return mode <= 2 ? int(mode) : 3;
}

} // namespace ZEVAHVValue
