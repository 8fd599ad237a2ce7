#include "panel_fixture.h"

#include <QDir>
#include <QTest>
#include <QWidget>

#include "zevahvnode.h"

bool waitFor(const std::function<bool()>& cond, int timeoutMs)
{
    return QTest::qWaitFor(cond, timeoutMs);
}

MessageRecorder::MessageRecorder()
{
    VelmoraMessages::setInterceptor([this](const VelmoraMessages::Shown& s) {
        shown.push_back(s);
        return false;
    });
}

MessageRecorder::~MessageRecorder() { VelmoraMessages::setInterceptor({}); }

QStringList MessageRecorder::texts() const
{
    QStringList all;
    for (const auto& s : shown)
        all << s.text;
    return all;
}

ZEVAHVNode* makeTree(const QString& name, const std::vector<int>& channels,
                     const QStringList& parameters, int systemType)
{
    auto* root = new ZEVAHVNode(name, ZEVAHVNode::KindRoot, systemType, 0, "127.0.0.1_0", "", "");
    for (size_t slot = 0; slot < channels.size(); ++slot) {
        if (channels[slot] == 0) {
            root->addChild(new ZEVAHVNode(QString(), ZEVAHVNode::KindEmpty));
            continue;
        }
        auto* board = new ZEVAHVNode(QString::asprintf("Board%02d", int(slot)), ZEVAHVNode::KindBoard);
        board->setSlot(quint16(slot));
        root->addChild(board);
        for (int ch = 0; ch < channels[slot]; ++ch) {
            auto* channel = new ZEVAHVNode(QString::asprintf("Chan%03d", ch), ZEVAHVNode::KindChannel);
            channel->setSlot(quint16(slot));
            channel->setChannel(quint16(ch));
            board->addChild(channel);
            for (const QString& p : parameters) {
                auto* node = new ZEVAHVNode(p, ZEVAHVNode::KindChannelParameter);
                node->setValueType(6);
                node->setAccessMode(ZEVAHVNode::ReadWrite);
                node->setSlot(quint16(slot));
                node->setChannel(quint16(ch));
                channel->addParameter(node);
                node->setValue(ZEVAHVTimedValue::now(double(ch)));
            }
        }
    }
    return root;
}

ZEVAHVNode* boardAt(ZEVAHVNode* root, int slot)
{
    for (ZEVAHVNode* b : root->children())
        if (b->kind() == ZEVAHVNode::KindBoard && b->slot() == slot)
            return b;
    return nullptr;
}

ZEVAHVNode* channelAt(ZEVAHVNode* root, int slot, int channel)
{
    ZEVAHVNode* board = boardAt(root, slot);
    if (!board)
        return nullptr;
    for (ZEVAHVNode* c : board->children())
        if (c->channel() == channel)
            return c;
    return nullptr;
}

void saveScreenshot(QWidget* widget, const QString& fileName)
{
    const QString dir = qEnvironmentVariable("VELMORA_SCREENSHOT_DIR");
    if (dir.isEmpty() || !widget)
        return;
    QDir().mkpath(dir);
    widget->grab().save(QDir(dir).filePath(fileName));
}
