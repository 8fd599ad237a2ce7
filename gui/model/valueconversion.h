#ifndef VALUECONVERSION_H
#define VALUECONVERSION_H

#include <QVariant>

// How library values become node values.
namespace ZEVAHVValue {

// Converts a value buffer (an event's 1024-byte value, or a read buffer) by
// the node value type (0..9).  At most `size` bytes are looked at; a buffer
// too short for the type gives a null value, a text without terminator ends
// at the buffer's end.
QVariant fromBytes(int valueType, const char *bytes, int size);

// Value type of a board or channel parameter from its library type.
int valueTypeForParameter(int libraryType);
// Value type of a system property from its library type; an unknown type
// keeps `current`.
int valueTypeForSystemProperty(int libraryType, int current);
// Node access mode from a library mode: 0, 1, 2 stay, anything else is 3.
int accessModeFromLibrary(unsigned mode);

} // namespace ZEVAHVValue

#endif // VALUECONVERSION_H
