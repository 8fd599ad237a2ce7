#ifndef ZEVAHVTIMEDVALUE_H
#define ZEVAHVTIMEDVALUE_H

#include <QDateTime>
#include <QVariant>

// A value as the program holds it: the value itself, a tag and the time at
// which it was read or received.  The tag is 0 for a value that came from
// the device; it becomes 1 when the whole tree is re-stamped (for instance
// when the connection is lost) so that views can tell a stale value.
struct ZEVAHVTimedValue
{
    QVariant value;
    int tag = 0;
    QDateTime time;

    ZEVAHVTimedValue() = default;
    ZEVAHVTimedValue(const QVariant &v, int t, const QDateTime &when)
        : value(v), tag(t), time(when) {}

    // A value read now from the device.
    static ZEVAHVTimedValue now(const QVariant &v) {
        return ZEVAHVTimedValue(v, 0, QDateTime::currentDateTime());
    }
};

#endif // ZEVAHVTIMEDVALUE_H
