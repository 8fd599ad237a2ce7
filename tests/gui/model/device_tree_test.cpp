// The device tree without a device: structure, the cell texts of channel
// parameters, re-stamping, subscription name lists and refused writes.
#include <gtest/gtest.h>

#include <cstring>

#include <QTableWidget>

#include "qsysteminterface.h"
#include "subscriptionnames.h"
#include "treebuilder.h"
#include "zevahvmirrornode.h"
#include "zevahvnode.h"

namespace {

std::string s(const QString &q) { return q.toStdString(); }

ZEVAHVNodeProperty *prop(const char *name, const QVariant &v)
{
    auto *p = new ZEVAHVNodeProperty(name);
    p->setValue(ZEVAHVTimedValue::now(v));
    return p;
}

// A channel parameter under a channel of a board of a root of `systemType`.
struct Tree {
    ZEVAHVNode root{"Sys", ZEVAHVNode::KindRoot, 8, 0, "127.0.0.1_0", "", ""};
    ZEVAHVNode *board = new ZEVAHVNode("Board00", ZEVAHVNode::KindBoard);
    ZEVAHVNode *channel = new ZEVAHVNode("Chan003", ZEVAHVNode::KindChannel);
    explicit Tree(int systemType = 8) {
        root.setSystemType(systemType);
        root.addChild(board);
        board->setChannelCount(16);
        channel->setChannel(3);
        board->addChild(channel);
    }
    ZEVAHVNode *param(const char *name, int libType, int valueType, int mode = ZEVAHVNode::ReadWrite) {
        auto *p = new ZEVAHVNode(name, ZEVAHVNode::KindChannelParameter);
        p->setLibraryType(libType);
        p->setValueType(valueType);
        p->setAccessMode(mode);
        p->setChannel(3);
        channel->addParameter(p);
        return p;
    }
};

} // namespace

TEST(DeviceTree, ChildrenTakeSystemTypeAndHandleExceptUnderTheCustomRoot)
{
    Tree t(15);
    t.root.setHandle(7);
    auto *p = t.param("Shape", 6, 9);
    EXPECT_EQ(p->systemType(), 15);
    EXPECT_EQ(p->handle(), 7);
    t.root.setHandle(9);  // setting it again reaches every node below
    EXPECT_EQ(p->handle(), 9);
    EXPECT_EQ(t.board->handle(), 9);

    ZEVAHVNode custom("customView", ZEVAHVNode::KindEmpty);
    custom.addChild(&t.root);
    EXPECT_EQ(t.root.handle(), 9);
    EXPECT_EQ(t.root.systemType(), 15);
    EXPECT_TRUE(custom.removeChild(&t.root));  // gathered, not owned
}

TEST(DeviceTree, FindItemByBoardChannelAndName)
{
    Tree t;
    auto *thr = t.param("Threshold", 0, 6);
    auto *bp = new ZEVAHVNode("Offset", ZEVAHVNode::KindBoardParameter);
    t.board->addParameter(bp);
    auto *sp = new ZEVAHVNode("IPAddr", ZEVAHVNode::KindSystemProperty);
    t.root.addParameter(sp);
    EXPECT_EQ(t.root.findItem(0, 3, "Threshold"), thr);
    EXPECT_EQ(t.root.findItem(0, -1, "Offset"), bp);
    EXPECT_EQ(t.root.findItem(-1, -1, "IPAddr"), sp);
    EXPECT_EQ(t.root.findItem(0, 4, "Threshold"), nullptr);
    EXPECT_EQ(t.root.findItem(1, 3, "Threshold"), nullptr);
    EXPECT_EQ(t.root.findItem(0, 3, "threshold"), nullptr);
}

TEST(DeviceTree, ShownTextsOfChannelParameters)
{
    Tree t(6);
    auto *bitsParam = t.param("Mask", 4, 0);
    bitsParam->setUnitText("0x");
    bitsParam->setValue(ZEVAHVTimedValue::now(26));
    EXPECT_EQ(s(bitsParam->text()), "0x 0000001A");
    bitsParam->setValue(ZEVAHVTimedValue::now(-1));
    EXPECT_EQ(s(bitsParam->text()), "0x FFFFFFFF");

    auto *shape = t.param("Shape", 6, 9);
    shape->addProperty(prop("Minval", 1.0f));
    shape->addProperty(prop("Enum", QStringList{"200", "400", "800"}));
    shape->setUnitText("nsec");
    shape->setValue(ZEVAHVTimedValue::now(2.0f));
    EXPECT_EQ(s(shape->text()), "400 nsec");       // position value - Minval
    shape->setValue(ZEVAHVTimedValue::now(9.0f));
    EXPECT_EQ(s(shape->text()), "9 nsec");         // out of the list: the number

    auto *pol = t.param("OutPol", 1, 8);
    pol->addProperty(prop("Onstate", "Pos"));
    pol->addProperty(prop("Offstate", "Neg"));
    pol->setValue(ZEVAHVTimedValue::now(true));
    EXPECT_EQ(s(pol->text()), "Pos ");
    pol->setValue(ZEVAHVTimedValue::now(false));
    EXPECT_EQ(s(pol->text()), "Neg ");

    auto *vset = t.param("VSet", 0, 6);
    vset->setDecimals(2);
    vset->setUnitText(" V");
    vset->setValue(ZEVAHVTimedValue::now(1.5f));
    EXPECT_EQ(s(vset->text()), "1.50  V");

    auto *status = t.param("Status", 2, 3, ZEVAHVNode::ReadOnly);
    status->setValue(ZEVAHVTimedValue::now(uint(0x83)));  // on, up, tripped
    EXPECT_EQ(s(status->text()), "Tripped ");

    auto *name = t.param("Name", 5, 7, ZEVAHVNode::ReadOnly);
    name->setValue(ZEVAHVTimedValue::now(QString("CH03")));
    EXPECT_EQ(s(name->text()), "CH03 ");
    ASSERT_NE(name->mirror(), nullptr);
    EXPECT_EQ(s(name->mirror()->text()), "CH03 ");  // the mirror follows
    EXPECT_EQ(ZEVAHVNode::nodeOf(name->mirror()), name);

    // Nothing read: an empty cell rather than a made-up zero.
    auto *unread = t.param("VMon", 0, 6, ZEVAHVNode::ReadOnly);
    unread->setValue(ZEVAHVTimedValue());
    EXPECT_EQ(s(unread->text()), "");

    // Board parameters only store their value.
    auto *bp = new ZEVAHVNode("Offset", ZEVAHVNode::KindBoardParameter);
    bp->setValueType(6);
    t.board->addParameter(bp);
    bp->setValue(ZEVAHVTimedValue::now(3.0f));
    EXPECT_EQ(s(bp->text()), "");
}

TEST(DeviceTree, CurrentCellKeepsItsTextUnlessReadOnlyOrSwitch)
{
    Tree t;
    auto *gain = t.param("FineGain", 0, 6);
    auto *mon = t.param("LastCh", 0, 6, ZEVAHVNode::ReadOnly);
    auto *pw = t.param("Pw", 1, 8);
    pw->addProperty(prop("Onstate", "On"));
    pw->addProperty(prop("Offstate", "Off"));
    QTableWidget table(1, 3);
    table.setVerticalHeaderItem(0, new QTableWidgetItem("00.003"));
    table.setItem(0, 0, gain);
    table.setItem(0, 1, mon);
    table.setItem(0, 2, pw);

    gain->setValue(ZEVAHVTimedValue::now(5.0f));
    table.setCurrentItem(gain);
    gain->setValue(ZEVAHVTimedValue::now(7.0f));
    EXPECT_EQ(s(gain->text()), "5 ");   // the operator stands on it

    table.setCurrentItem(mon);
    mon->setValue(ZEVAHVTimedValue::now(4.0f));
    EXPECT_EQ(s(mon->text()), "4 ");

    table.setCurrentItem(pw);
    pw->setValue(ZEVAHVTimedValue::now(true));
    EXPECT_EQ(s(pw->text()), "On ");
    EXPECT_EQ(pw->foreground().color(), QColor(53, 169, 18));
    EXPECT_EQ(table.verticalHeaderItem(0)->background().color(), QColor(53, 169, 18));
    pw->setValue(ZEVAHVTimedValue::now(false));
    EXPECT_EQ(table.verticalHeaderItem(0)->background().color(), QColor(128, 128, 128));

    // The tree owns the cells: take them out before the table goes.
    for (int c = 0; c < 3; ++c)
        table.takeItem(0, c);
}

TEST(DeviceTree, LostConnectionRestampsEverythingAndConnStatFollows)
{
    Tree t;
    auto *gain = t.param("FineGain", 0, 6);
    gain->setValue(ZEVAHVTimedValue::now(5.0f));
    t.root.setConnectionState(ZEVAHVNode::ConnectionOk);
    t.root.setSlotCount(1);
    ZEVAHVTree::addLocalItems(&t.root);
    ASSERT_NE(t.root.findParameter("NrOfSlot"), nullptr);
    EXPECT_EQ(t.root.findParameter("NrOfSlot")->value().value.toUInt(), 1u);
    EXPECT_EQ(s(t.root.findParameter("ConnStat")->value().value.toString()), "Connection Ok");
    EXPECT_EQ(gain->value().tag, 0);

    t.root.setConnectionState(ZEVAHVNode::ConnectionLost);
    EXPECT_EQ(gain->value().tag, 1);
    EXPECT_FLOAT_EQ(gain->value().value.toFloat(), 5.0f);  // value kept
    EXPECT_EQ(t.board->value().tag, 1);
    EXPECT_EQ(s(t.root.findParameter("ConnStat")->value().value.toString()), "Connection Ko");
}

TEST(DeviceTree, ReorderAcceptsOnlyPermutations)
{
    Tree t;
    auto *a = t.param("A", 0, 6);
    auto *b = t.param("B", 0, 6);
    t.channel->reorderParameters({1, 0});
    EXPECT_EQ(t.channel->parameters(), (QVector<ZEVAHVNode *>{b, a}));
    t.channel->reorderParameters({0, 0});
    t.channel->reorderParameters({0, 2});
    t.channel->reorderParameters({0});
    EXPECT_EQ(t.channel->parameters(), (QVector<ZEVAHVNode *>{b, a}));
}

TEST(DeviceTree, ParameterNameListsAreBounded)
{
    char list[4 * ZEVAHV_MAX_PARAM_NAME] = {};
    std::memcpy(list, "VSet", 4);
    std::memcpy(list + 10, "ABCDEFGHIJ", 10);  // a full field without terminator
    std::memcpy(list + 20, "Pw", 2);
    EXPECT_EQ(ZEVAHVTree::parseParameterNames(list), (QStringList{"VSet", "ABCDEFGHIJ", "Pw"}));
    std::memset(list, 'x', sizeof list);         // no end field at all
    EXPECT_EQ(ZEVAHVTree::parseParameterNames(list, 4).size(), 4);
    EXPECT_TRUE(ZEVAHVTree::parseParameterNames(nullptr).isEmpty());
}

TEST(Subscription, NameListsLeaveOutWriteOnlyLocalItemsAndChannelName)
{
    Tree t;
    auto add = [](ZEVAHVNode *owner, const char *name, int kind, int mode) {
        auto *p = new ZEVAHVNode(name, kind);
        p->setAccessMode(mode);
        owner->addParameter(p);
    };
    add(&t.root, "IPAddr", ZEVAHVNode::KindSystemProperty, ZEVAHVNode::ReadWrite);
    add(&t.root, "ClrAlarm", ZEVAHVNode::KindSystemProperty, ZEVAHVNode::WriteOnly);
    t.root.setConnectionState(ZEVAHVNode::ConnectionOk);
    ZEVAHVTree::addLocalItems(&t.root);
    add(t.board, "Offset", ZEVAHVNode::KindBoardParameter, ZEVAHVNode::ReadWrite);
    add(t.board, "Kill", ZEVAHVNode::KindBoardParameter, ZEVAHVNode::WriteOnly);
    add(t.channel, "Name", ZEVAHVNode::KindChannelParameter, ZEVAHVNode::ReadOnly);
    add(t.channel, "VMon", ZEVAHVNode::KindChannelParameter, ZEVAHVNode::ReadOnly);
    add(t.channel, "ClrAlarm", ZEVAHVNode::KindChannelParameter, ZEVAHVNode::WriteOnly);
    add(t.channel, "VSet", ZEVAHVNode::KindChannelParameter, ZEVAHVNode::ReadWrite);

    EXPECT_EQ(subscriptionNames(&t.root), QStringList{"IPAddr"});
    EXPECT_EQ(subscriptionNames(t.board), QStringList{"Offset"});
    EXPECT_EQ(subscriptionNames(t.channel), (QStringList{"VMon", "VSet"}));
}

TEST(Subscription, EmptySlotsCauseNoCallAndRefusedCallsFailEveryName)
{
    // No system is open under handle -1, so every call the library gets
    // fails: the failure lists show exactly which calls were made.
    QSystemInterface sys(8, 0, "127.0.0.1_0", "Amp", 0);
    auto *root = new ZEVAHVNode("Amp", ZEVAHVNode::KindRoot, 8, 0, "127.0.0.1_0", "", "");
    sys.setRoot(root);
    auto *empty = new ZEVAHVNode(QString(), ZEVAHVNode::KindEmpty);
    auto *filled = new ZEVAHVNode(QString(), ZEVAHVNode::KindEmpty);  // parameters but empty
    auto *p = new ZEVAHVNode("Offset", ZEVAHVNode::KindBoardParameter);
    p->setAccessMode(ZEVAHVNode::ReadWrite);
    filled->addParameter(p);
    root->addChild(empty);
    root->addChild(filled);
    SubscriptionFailures f = sys.subscribeParameters({empty, filled});
    EXPECT_TRUE(f.isEmpty());

    auto *board = new ZEVAHVNode("Board01", ZEVAHVNode::KindBoard);
    board->setSlot(1);
    auto *q = new ZEVAHVNode("Offset", ZEVAHVNode::KindBoardParameter);
    q->setAccessMode(ZEVAHVNode::ReadWrite);
    board->addParameter(q);
    root->addChild(board);
    f = sys.subscribeParameters({board});
    ASSERT_EQ(f.boardItems.size(), 1);
    EXPECT_EQ(f.boardItems[0].board, 1);
    EXPECT_EQ(f.boardItems[0].channel, -1);
    EXPECT_EQ(s(f.boardItems[0].name), "Offset");
}

TEST(Writes, UnsupportedTypesAndKindsAreRefusedWithoutLibraryCall)
{
    Tree t;
    t.root.setHandle(-1);
    auto *cmd = t.param("Reset", 7, 7, ZEVAHVNode::WriteOnly);
    EXPECT_EQ(cmd->writeValue(1), -1);
    auto *text = t.param("Label", 5, 7);
    EXPECT_EQ(text->writeValue("x"), -1);   // channel texts other than Name
    EXPECT_EQ(t.channel->writeValue(1), -1);
    // A real call on a closed handle reports the library's refusal, and the
    // node keeps its value.
    auto *gain = t.param("FineGain", 0, 6);
    gain->setValue(ZEVAHVTimedValue::now(5.0f));
    EXPECT_NE(gain->writeValue(9.0f), 0);
    EXPECT_FLOAT_EQ(gain->value().value.toFloat(), 5.0f);
}

TEST(SystemInterface, ConnectWithoutArgumentAndLogFileName)
{
    QSystemInterface sys(8, 0, "", "Amp", 0);
    EXPECT_EQ(sys.connectSystem(nullptr, "", ""), -1);
    EXPECT_EQ(sys.handle(), -1);
    EXPECT_EQ(sys.root(), nullptr);
    EXPECT_EQ(s(sys.logFileName()), "VelmoraSubscrFail_Amp.log");
    EXPECT_EQ(s(sys.objectName()), "systemInterface");
    EXPECT_TRUE(QSystemInterface::pausesListenersOnDisconnect(15));
    EXPECT_FALSE(QSystemInterface::pausesListenersOnDisconnect(8));
    EXPECT_FALSE(QSystemInterface::pausesListenersOnDisconnect(12));
}
