#include "treebuilder.h"

#include <cstring>
#include <functional>

#include <QByteArray>

#include "ZEVAHVLink.h"
#include "parameterorder.h"
#include "statustexts.h"
#include "unittexts.h"
#include "valueconversion.h"
#include "zevahvnode.h"

namespace ZEVAHVTree {
namespace {

// Large enough for any value or property the library writes (texts of up
// to 1024 characters, the 150-byte enumeration list); zero-filled, so a
// text is always terminated inside it.
constexpr int kBufferSize = 1032;

using PropertyReader = std::function<int(const char *property, void *out)>;

QString boundedText(const char *p, int size)
{
    const void *end = std::memchr(p, 0, size_t(size));
    return QString::fromLatin1(p, end ? int(static_cast<const char *>(end) - p) : size);
}

ZEVAHVNodeProperty *makeProperty(const QString &name, const QVariant &value, int valueType)
{
    auto *p = new ZEVAHVNodeProperty(name);
    p->setValue(ZEVAHVTimedValue::now(value));
    p->setValueType(valueType);
    return p;
}

// Reads the properties that go with the parameter's library type and
// derives its unit text and decimals.
void addParameterProperties(ZEVAHVNode *param, const PropertyReader &read, bool channelLevel)
{
    const int type = param->libraryType();
    auto readFloat = [&](const char *name) {
        float f = 0;
        QByteArray buf(kBufferSize, '\0');
        if (read(name, buf.data()) != 0)
            return QVariant();
        std::memcpy(&f, buf.constData(), sizeof f);
        return QVariant(f);
    };
    auto readU16 = [&](const char *name) {
        QByteArray buf(kBufferSize, '\0');
        if (read(name, buf.data()) != 0)
            return QVariant();
        quint16 u;
        std::memcpy(&u, buf.constData(), sizeof u);
        return QVariant(uint(u));
    };
    auto readS16 = [&](const char *name) {
        QByteArray buf(kBufferSize, '\0');
        if (read(name, buf.data()) != 0)
            return QVariant();
        qint16 s;
        std::memcpy(&s, buf.constData(), sizeof s);
        return QVariant(int(s));
    };
    auto readText = [&](const char *name) {
        QByteArray buf(kBufferSize, '\0');
        if (read(name, buf.data()) != 0)
            return QVariant();
        QString text = boundedText(buf.constData(), kBufferSize);
        return QVariant(channelLevel ? ZEVAHVText::channelOnOffText(text) : text);
    };

    if (type == 0 || type == 4 || type == 6) {
        const QVariant minval = readFloat("Minval");
        const QVariant maxval = readFloat("Maxval");
        const QVariant unit = readU16("Unit");
        const QVariant exponent = readS16("Exp");
        param->addProperty(makeProperty(QStringLiteral("Minval"), minval, 6));
        param->addProperty(makeProperty(QStringLiteral("Maxval"), maxval, 6));
        param->addProperty(makeProperty(QStringLiteral("Unit"), unit, 4));
        param->addProperty(makeProperty(QStringLiteral("Exp"), exponent, 1));
        if (type == 6) {
            QVariant list;
            QByteArray buf(kBufferSize, '\0');
            if (read("Enum", buf.data()) == 0 && !minval.isNull() && !maxval.isNull()) {
                // (Maxval - Minval) + 1 texts of 15 bytes; never more than
                // the ten fields the library fills.
                const long long count = qBound(0LL, qRound64(maxval.toDouble() - minval.toDouble()) + 1,
                                               static_cast<long long>(ZEVAHV_ENUM_COUNT));
                QStringList texts;
                for (int i = 0; i < count; ++i)
                    texts << boundedText(buf.constData() + i * ZEVAHV_ENUM_TEXT_SIZE,
                                         ZEVAHV_ENUM_TEXT_SIZE);
                list = texts;
            }
            param->addProperty(makeProperty(QStringLiteral("Enum"), list, 7));
        } else {
            const QVariant decimals = readS16("Decimal");
            param->addProperty(makeProperty(QStringLiteral("Decimal"), decimals, 1));
            param->setDecimals(decimals.isNull() ? 0 : decimals.toInt());
        }
        param->setUnitText(ZEVAHVText::parameterUnitText(type, exponent, unit));
    } else if (type == 1) {
        param->addProperty(makeProperty(QStringLiteral("Onstate"), readText("Onstate"), 7));
        param->addProperty(makeProperty(QStringLiteral("Offstate"), readText("Offstate"), 7));
    }
}

// Type and mode of a parameter; false when either cannot be read.
bool readTypeAndMode(const PropertyReader &read, unsigned *type, unsigned *mode)
{
    QByteArray buf(kBufferSize, '\0');
    if (read("Type", buf.data()) != 0)
        return false;
    std::memcpy(type, buf.constData(), sizeof *type);
    buf.fill('\0');
    if (read("Mode", buf.data()) != 0)
        return false;
    std::memcpy(mode, buf.constData(), sizeof *mode);
    return true;
}

void setupParameter(ZEVAHVNode *param, unsigned type, unsigned mode)
{
    param->setLibraryType(int(type & 0xFFFFu));
    param->setAccessMode(ZEVAHVValue::accessModeFromLibrary(mode));
    param->setValueType(ZEVAHVValue::valueTypeForParameter(param->libraryType()));
}

} // namespace

QStringList parseParameterNames(const char *list, int maxFields)
{
    QStringList names;
    if (!list)
        return names;
    for (int i = 0; i < maxFields; ++i) {
        const char *field = list + i * ZEVAHV_MAX_PARAM_NAME;
        if (field[0] == '\0')
            break;
        names << boundedText(field, ZEVAHV_MAX_PARAM_NAME);
    }
    return names;
}

void addSystemProperties(ZEVAHVNode *root, int handle, const QString &connectionArgument)
{
    unsigned short count = 0;
    char *list = nullptr;
    if (ZEVAHV_GetSysPropList(handle, &count, &list) != 0 || !list) {
        ZEVAHV_Free(list);
        return;
    }
    const char *p = list;
    for (unsigned i = 0; i < count; ++i) {
        const QByteArray name(p);
        p += name.size() + 1;
        unsigned mode = 0, type = 0;
        if (ZEVAHV_GetSysPropInfo(handle, name.constData(), &mode, &type) != 0)
            continue;
        auto *node = new ZEVAHVNode(QString::fromLatin1(name), ZEVAHVNode::KindSystemProperty);
        node->setLibraryType(int(type));
        node->setAccessMode(ZEVAHVValue::accessModeFromLibrary(mode));
        node->setValueType(ZEVAHVValue::valueTypeForSystemProperty(int(type), node->valueType()));
        root->addParameter(node);
        if (node->name() == QLatin1String("IPAddr")) {
            node->setValue(ZEVAHVTimedValue::now(connectionArgument));
        } else {
            QByteArray buf(kBufferSize, '\0');
            if (ZEVAHV_GetSysProp(handle, name.constData(), buf.data()) == 0)
                node->setValueFromBytes(buf.constData(), kBufferSize);
        }
    }
    ZEVAHV_Free(list);
}

QVector<ZEVAHVNode *> readCrateMap(int handle, quint16 *slotCount)
{
    QVector<ZEVAHVNode *> slotNodes;
    unsigned short count = 0;
    unsigned short *channels = nullptr, *serials = nullptr;
    char *models = nullptr, *descriptions = nullptr;
    unsigned char *fwMin = nullptr, *fwMax = nullptr;
    const int rc = ZEVAHV_GetCrateMap(handle, &count, &channels, &models, &descriptions,
                                      &serials, &fwMin, &fwMax);
    *slotCount = rc == 0 ? count : 0;
    if (rc == 0) {
        const char *model = models;
        const char *description = descriptions;
        int present = 0;
        for (unsigned i = 0; i < count; ++i) {
            const QString modelText = model ? QString::fromLatin1(model) : QString();
            const QString descText = description ? QString::fromLatin1(description) : QString();
            if (model)
                model += std::strlen(model) + 1;
            if (description)
                description += std::strlen(description) + 1;
            const int nch = channels ? channels[i] : 0;
            if (nch == 0) {
                auto *empty = new ZEVAHVNode(QString(), ZEVAHVNode::KindEmpty);
                empty->setSlot(quint16(i));
                slotNodes.append(empty);
                continue;
            }
            auto *board = new ZEVAHVNode(QStringLiteral("Board%1").arg(i, 2, 10, QLatin1Char('0')),
                                         ZEVAHVNode::KindBoard);
            board->setSlot(quint16(i));
            board->setChannelCount(nch);
            board->setModel(modelText);
            board->setDescription(descText);
            board->setSerialNumber(serials ? serials[i] : 0);
            board->setFirmwareReleases(
                QStringLiteral("%1").arg(fwMin ? fwMin[i] : 0, 2, 10, QLatin1Char('0')),
                QStringLiteral("%1").arg(fwMax ? fwMax[i] : 0, 2, 10, QLatin1Char('0')));
            board->setVisualIndex(present++);
            board->setHandle(handle);
            slotNodes.append(board);
        }
    }
    ZEVAHV_Free(channels);
    ZEVAHV_Free(models);
    ZEVAHV_Free(descriptions);
    ZEVAHV_Free(serials);
    ZEVAHV_Free(fwMin);
    ZEVAHV_Free(fwMax);
    return slotNodes;
}

void addBoardItems(ZEVAHVNode *board)
{
    board->addProperty(makeProperty(QStringLiteral("ChCount"), board->channelCount(), 1));
    board->addProperty(makeProperty(QStringLiteral("BdModel"), board->model(), 7));
    board->addProperty(makeProperty(QStringLiteral("BdDescr"), board->description(), 7));
    board->addProperty(makeProperty(QStringLiteral("SerNum"), board->serialNumber(), 1));
    board->addProperty(makeProperty(QStringLiteral("FmwRel"), board->firmwareRelease1(), 7));
}

void addBoardParameters(ZEVAHVNode *board, int handle)
{
    char *list = nullptr;
    const unsigned short slot = board->slot();
    if (ZEVAHV_GetBdParamInfo(handle, slot, &list) != 0 || !list) {
        ZEVAHV_Free(list);
        return;
    }
    const QStringList names = parseParameterNames(list);
    ZEVAHV_Free(list);
    for (const QString &name : names) {
        const QByteArray n = name.toLatin1();
        PropertyReader read = [&](const char *prop, void *out) {
            return ZEVAHV_GetBdParamProp(handle, slot, n.constData(), prop, out);
        };
        unsigned type = 0, mode = 0;
        if (!readTypeAndMode(read, &type, &mode))
            continue;
        auto *param = new ZEVAHVNode(name, ZEVAHVNode::KindBoardParameter);
        param->setSlot(slot);
        setupParameter(param, type, mode);
        board->addParameter(param);
        addParameterProperties(param, read, false);
        QByteArray buf(kBufferSize, '\0');
        if (ZEVAHV_GetBdParam(handle, 1, &slot, n.constData(), buf.data()) == 0)
            param->setValueFromBytes(buf.constData(), kBufferSize);
    }
}

void addChannels(ZEVAHVNode *board, int handle)
{
    const unsigned short slot = board->slot();
    const int count = board->channelCount();
    QVector<unsigned short> list(count);
    for (int i = 0; i < count; ++i)
        list[i] = static_cast<unsigned short>(i);
    QVector<char> names(size_t(count) * ZEVAHV_MAX_CH_NAME, '\0');
    const bool haveNames = count > 0
        && ZEVAHV_GetChName(handle, slot, static_cast<unsigned short>(count), list.constData(),
                            reinterpret_cast<char(*)[ZEVAHV_MAX_CH_NAME]>(names.data())) == 0;
    const bool mainframe =
        board->systemType() == ZEVAHV_SYS_KR2440 || board->systemType() == ZEVAHV_SYS_KR2550;

    for (int ch = 0; ch < count; ++ch) {
        auto *channel = new ZEVAHVNode(QStringLiteral("Chan%1").arg(ch, 3, 10, QLatin1Char('0')),
                                       ZEVAHVNode::KindChannel);
        channel->setSlot(slot);
        channel->setChannel(quint16(ch));
        board->addChild(channel);

        if (mainframe) {
            auto *name = new ZEVAHVNode(QStringLiteral("Name"), ZEVAHVNode::KindChannelParameter);
            name->setSlot(slot);
            name->setChannel(quint16(ch));
            name->setLibraryType(ZEVAHV_PARAM_TYPE_STRING);
            name->setValueType(7);
            name->setAccessMode(ZEVAHVNode::ReadWrite);
            channel->addParameter(name);
            name->setValue(ZEVAHVTimedValue::now(
                haveNames ? boundedText(names.constData() + ch * ZEVAHV_MAX_CH_NAME, ZEVAHV_MAX_CH_NAME)
                          : QString()));
        }

        char *plist = nullptr;
        int pcount = 0;
        const unsigned short chan = static_cast<unsigned short>(ch);
        if (ZEVAHV_GetChParamInfo(handle, slot, chan, &plist, &pcount) != 0 || !plist) {
            ZEVAHV_Free(plist);
            continue;
        }
        const QStringList pnames = parseParameterNames(plist);
        ZEVAHV_Free(plist);
        for (const QString &pname : pnames) {
            const QByteArray n = pname.toLatin1();
            PropertyReader read = [&](const char *prop, void *out) {
                return ZEVAHV_GetChParamProp(handle, slot, chan, n.constData(), prop, out);
            };
            unsigned type = 0, mode = 0;
            if (!readTypeAndMode(read, &type, &mode))
                continue;
            auto *param = new ZEVAHVNode(pname, ZEVAHVNode::KindChannelParameter);
            param->setSlot(slot);
            param->setChannel(chan);
            setupParameter(param, type, mode);
            channel->addParameter(param);
            addParameterProperties(param, read, true);
            QByteArray buf(kBufferSize, '\0');
            if (ZEVAHV_GetChParam(handle, slot, n.constData(), 1, &chan, buf.data()) == 0) {
                param->setValueFromBytes(buf.constData(), kBufferSize);
                if (param->libraryType() == ZEVAHV_PARAM_TYPE_CHSTATUS)
                    param->setInAlarm(!ZEVAHVStatus::isChannelHealthy(
                        param->systemType(), quint32(param->value().value.toLongLong())));
            }
        }
        QStringList order;
        for (ZEVAHVNode *p : channel->parameters())
            order << p->name();
        channel->reorderParameters(channelParameterOrder(order));
    }
}

void addLocalItems(ZEVAHVNode *root)
{
    auto *conn = new ZEVAHVNode(QStringLiteral("ConnStat"), ZEVAHVNode::KindLocalItem);
    conn->setValueType(7);
    conn->setAccessMode(ZEVAHVNode::ReadOnly);
    root->addParameter(conn);
    conn->setValue(ZEVAHVTimedValue::now(ZEVAHVText::connectionStateText(root->connectionState())));
    if (root->connectionState() == ZEVAHVNode::ConnectionOk) {
        auto *slotItem = new ZEVAHVNode(QStringLiteral("NrOfSlot"), ZEVAHVNode::KindLocalItem);
        slotItem->setValueType(4);
        slotItem->setAccessMode(ZEVAHVNode::ReadOnly);
        root->addParameter(slotItem);
        slotItem->setValue(ZEVAHVTimedValue::now(uint(root->slotCount())));
    }
}

} // namespace ZEVAHVTree
