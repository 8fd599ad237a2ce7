#include "shell_fixture.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTest>

#include "zevahvnode.h"

bool waitFor(const std::function<bool()>& cond, int timeoutMs)
{
    return QTest::qWaitFor(cond, timeoutMs);
}

MessageRecorder::MessageRecorder(bool acceptChoices)
{
    VelmoraMessages::setInterceptor([this, acceptChoices](const VelmoraMessages::Shown& s) {
        shown.push_back(s);
        return acceptChoices;
    });
}

MessageRecorder::~MessageRecorder() { VelmoraMessages::setInterceptor({}); }

bool MessageRecorder::contains(const QString& part) const
{
    for (const auto& s : shown)
        if (s.text.contains(part))
            return true;
    return false;
}

ZEVAHVNode* makeSystem(const QString& name, const std::vector<int>& boardChannels,
                       const std::vector<ParamSpec>& params, int systemType)
{
    auto* root = new ZEVAHVNode(name, ZEVAHVNode::KindRoot, systemType, 0, "127.0.0.1_0", "", "");
    root->setConnectionState(ZEVAHVNode::ConnectionOk);
    for (size_t slot = 0; slot < boardChannels.size(); ++slot) {
        if (boardChannels[slot] == 0) {
            root->addChild(new ZEVAHVNode(QString(), ZEVAHVNode::KindEmpty));
            continue;
        }
        auto* board = new ZEVAHVNode(QString("Board%1").arg(slot, 2, 10, QChar('0')), ZEVAHVNode::KindBoard);
        board->setSlot(static_cast<quint16>(slot));
        root->addChild(board);
        for (int ch = 0; ch < boardChannels[slot]; ++ch) {
            auto* channel = new ZEVAHVNode(QString("Chan%1").arg(ch, 3, 10, QChar('0')), ZEVAHVNode::KindChannel);
            channel->setSlot(static_cast<quint16>(slot));
            channel->setChannel(static_cast<quint16>(ch));
            board->addChild(channel);
            for (const ParamSpec& p : params) {
                auto* node = new ZEVAHVNode(p.name, ZEVAHVNode::KindChannelParameter);
                node->setKind(ZEVAHVNode::KindChannelParameter);
                node->setValueType(p.valueType);
                node->setAccessMode(p.accessMode);
                node->setLibraryType(p.valueType == 8 ? 1 : 0);
                node->setSlot(static_cast<quint16>(slot));
                node->setChannel(static_cast<quint16>(ch));
                channel->addParameter(node);
                node->setValue(ZEVAHVTimedValue::now(p.value.isValid() ? p.value : QVariant(1.0 * ch)));
            }
        }
    }
    return root;
}
