// Writes of edited values through the library: one item at a time, the
// value converted by the item's library type.
#include <cstring>

#include <QByteArray>

#include "ZEVAHVLink.h"
#include "zevahvnode.h"

namespace {

// A text in a zero-filled buffer of `size` bytes, always terminated.
QByteArray terminatedText(const QByteArray &text, int size)
{
    QByteArray buffer(size, '\0');
    std::memcpy(buffer.data(), text.constData(), size_t(qMin(text.size(), size - 1)));
    return buffer;
}

// The value the node holds after a successful write, in its own form.
QVariant storedForm(int valueType, const QVariant &written)
{
    switch (valueType) {
    case 0: case 1: case 2: return QVariant(written.toInt());
    case 3: case 4: case 5: return QVariant(written.toUInt());
    case 6: return QVariant(written.toFloat());
    case 8: return QVariant(written.toBool());
    case 9: return QVariant(float(written.toInt()));
    default: return QVariant(written.toString());
    }
}

int writeSystemProperty(const ZEVAHVNode &node, const QVariant &v)
{
    const QByteArray name = node.name().toLatin1();
    switch (node.libraryType()) {
    case 0: {
        QByteArray buffer = terminatedText(v.toString().toLocal8Bit(), 80);
        return ZEVAHV_SetSysProp(node.handle(), name.constData(), buffer.data());
    }
    case 1: {
        float f = v.toFloat();
        return ZEVAHV_SetSysProp(node.handle(), name.constData(), &f);
    }
    case 2: {
        unsigned short u = static_cast<unsigned short>(v.toUInt());
        return ZEVAHV_SetSysProp(node.handle(), name.constData(), &u);
    }
    case 3: {
        unsigned u = v.toUInt();
        return ZEVAHV_SetSysProp(node.handle(), name.constData(), &u);
    }
    case 4: {
        short s = static_cast<short>(v.toInt());
        return ZEVAHV_SetSysProp(node.handle(), name.constData(), &s);
    }
    case 5: {
        // Read as a signed 32-bit value, so written as one.
        int i = v.toInt();
        return ZEVAHV_SetSysProp(node.handle(), name.constData(), &i);
    }
    case 6: {
        unsigned short b = v.toBool() ? 1 : 0;
        return ZEVAHV_SetSysProp(node.handle(), name.constData(), &b);
    }
    default:
        return -1;
    }
}

int writeBoardParameter(const ZEVAHVNode &node, const QVariant &v)
{
    const QByteArray name = node.name().toLatin1();
    const unsigned short slot = node.slot();
    switch (node.libraryType()) {
    case 0: {
        float f = v.toFloat();
        return ZEVAHV_SetBdParam(node.handle(), 1, &slot, name.constData(), &f);
    }
    case 1: {
        unsigned u = v.toBool() ? 1u : v.toUInt();
        return ZEVAHV_SetBdParam(node.handle(), 1, &slot, name.constData(), &u);
    }
    case 2: case 3: case 4: case 6: {
        int i = v.toInt();
        return ZEVAHV_SetBdParam(node.handle(), 1, &slot, name.constData(), &i);
    }
    case 5: {
        QByteArray text = v.toString().toLatin1();
        return ZEVAHV_SetBdParam(node.handle(), 1, &slot, name.constData(), text.data());
    }
    default:
        return -1;
    }
}

int writeChannelParameter(const ZEVAHVNode &node, const QVariant &v)
{
    const unsigned short ch = node.channel();
    if (node.name() == QLatin1String("Name")) {
        const QByteArray text = v.toString().toLocal8Bit();
        return ZEVAHV_SetChName(node.handle(), node.slot(), 1, &ch, text.constData());
    }
    const QByteArray name = node.name().toLatin1();
    switch (node.libraryType()) {
    case 0: {
        float f = v.toFloat();
        return ZEVAHV_SetChParam(node.handle(), node.slot(), name.constData(), 1, &ch, &f);
    }
    case 1: {
        unsigned u = v.toBool() ? 1u : v.toUInt();
        return ZEVAHV_SetChParam(node.handle(), node.slot(), name.constData(), 1, &ch, &u);
    }
    case 2: case 3: case 4: case 6: {
        int i = v.toInt();
        return ZEVAHV_SetChParam(node.handle(), node.slot(), name.constData(), 1, &ch, &i);
    }
    default:
        return -1;
    }
}

} // namespace

int ZEVAHVNode::writeValue(const QVariant &value)
{
    int result = -1;
    switch (kind()) {
    case KindSystemProperty: result = writeSystemProperty(*this, value); break;
    case KindBoardParameter: result = writeBoardParameter(*this, value); break;
    case KindChannelParameter: result = writeChannelParameter(*this, value); break;
    default: return -1;
    }
    if (result == 0)
        setValue(ZEVAHVTimedValue::now(storedForm(valueType(), value)));
    return result;
}
