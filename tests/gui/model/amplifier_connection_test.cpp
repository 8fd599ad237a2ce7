// Whole connections against the amplifier simulators over loopback TCP: the
// tree the library describes, subscriptions, values changed at the device
// reaching the tree through the event server and the listener, and
// disconnecting while events flow.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>

#include <QCoreApplication>
#include <QThread>

#include "eventport.h"
#include "listenerpausegate.h"
#include "qtcpeventserver.h"
#include "qsysteminterface.h"
#include "recording_sink.h"
#include "sim_process.h"
#include "subscriptionnames.h"
#include "zevahvnode.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string s(const QString &q) { return q.toStdString(); }

QStringList namesOf(const QVector<ZEVAHVNode *> &nodes)
{
    QStringList names;
    for (const ZEVAHVNode *n : nodes)
        names << n->name();
    return names;
}

QString propText(const ZEVAHVNode *p, const char *name)
{
    const ZEVAHVNodeProperty *q = p->findProperty(name);
    return q ? q->value().value.toString() : QStringLiteral("<none>");
}

QStringList enumTexts(const ZEVAHVNode *p)
{
    const ZEVAHVNodeProperty *q = p->findProperty("Enum");
    return q ? q->value().value.toStringList() : QStringList();
}

struct Connection {
    std::unique_ptr<SimProcess> sim;
    std::unique_ptr<QSystemInterface> sys;
};

Connection connectAmplifier(const char *device, int systemType, std::vector<std::string> args = {})
{
    Connection c;
    c.sim = SimProcess::start(device, std::move(args));
    c.sys = std::make_unique<QSystemInterface>(systemType, ZEVAHV_LINK_TCPIP, QString::fromStdString(c.sim->tcp_arg()),
                                               QString("Amp-") + device, 0);
    const int rc = c.sys->connectSystem(nullptr, "", "");
    EXPECT_EQ(rc, 0) << device;
    return c;
}

ZEVAHVNode *channelParam(QSystemInterface &sys, int ch, const char *name)
{
    return sys.root() ? sys.root()->findItem(0, ch, name) : nullptr;
}

// Runs the GUI thread's events until `done` holds or the time is up.
bool pumpUntil(const std::function<bool()> &done, int timeoutMs)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (Clock::now() > deadline)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

void expectSingleBoardOf16Channels(QSystemInterface &sys, const QStringList &channelParams)
{
    ZEVAHVNode *root = sys.root();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->kind(), ZEVAHVNode::KindRoot);
    EXPECT_EQ(root->slotCount(), 1);
    ASSERT_EQ(root->children().size(), 1);
    ZEVAHVNode *board = root->children().first();
    EXPECT_EQ(s(board->name()), "Board00");
    EXPECT_EQ(board->kind(), ZEVAHVNode::KindBoard);
    EXPECT_EQ(board->channelCount(), 16);
    QStringList items;
    for (const ZEVAHVNodeProperty *p : board->properties())
        items << p->name();
    EXPECT_EQ(items, (QStringList{"ChCount", "BdModel", "BdDescr", "SerNum", "FmwRel"}));
    ASSERT_EQ(board->children().size(), 16);
    for (int ch = 0; ch < 16; ++ch) {
        ZEVAHVNode *channel = board->children()[ch];
        EXPECT_EQ(s(channel->name()), s(QStringLiteral("Chan%1").arg(ch, 3, 10, QLatin1Char('0'))));
        EXPECT_EQ(channel->channel(), ch);
        EXPECT_EQ(namesOf(channel->parameters()), channelParams) << "channel " << ch;
        EXPECT_EQ(subscriptionNames(channel).contains("Name"), false);
    }
    // The local items exist and never reach a subscription.
    ASSERT_NE(root->findParameter("ConnStat"), nullptr);
    EXPECT_EQ(s(root->findParameter("ConnStat")->value().value.toString()), "Connection Ok");
    ASSERT_NE(root->findParameter("NrOfSlot"), nullptr);
    EXPECT_EQ(root->findParameter("NrOfSlot")->value().value.toUInt(), 1u);
    EXPECT_FALSE(subscriptionNames(root).contains("ConnStat"));
    EXPECT_FALSE(subscriptionNames(root).contains("NrOfSlot"));
    EXPECT_EQ(root->handle(), sys.handle());
    EXPECT_EQ(channelParam(sys, 15, "Name")->handle(), sys.handle());
}

// The cell shows the enumeration text of the value, then the unit.
void expectEnumShown(ZEVAHVNode *p, const char *unit)
{
    ASSERT_NE(p, nullptr);
    const QStringList texts = enumTexts(p);
    const int index = int(p->value().value.toFloat());
    ASSERT_GE(index, 0);
    ASSERT_LT(index, texts.size());
    EXPECT_EQ(s(p->unitText()), unit);
    EXPECT_EQ(s(p->text()), s(texts[index] + " " + unit));
}

void expectOnOffShown(ZEVAHVNode *p, const char *on, const char *off)
{
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(s(propText(p, "Onstate")), on);
    EXPECT_EQ(s(propText(p, "Offstate")), off);
    EXPECT_EQ(s(p->text()), std::string(p->value().value.toBool() ? on : off) + " ");
}

} // namespace

TEST(AmplifierConnection, P731XBuildsItsTree)
{
    Connection c = connectAmplifier("p731x", ZEVAHV_SYS_P731X);
    ASSERT_NE(c.sys->root(), nullptr);
    expectSingleBoardOf16Channels(*c.sys, {"Name", "CoarGain", "FineGain", "Shape", "OutConf",
                                           "OutPol", "PoleZAdj"});
    ZEVAHVNode *board = c.sys->root()->children().first();
    EXPECT_EQ(namesOf(board->parameters()), (QStringList{"Offset", "MuxOut", "LastCh"}));
    EXPECT_EQ(s(board->model()), "P731X");
    EXPECT_EQ(s(propText(board->findParameter("MuxOut"), "Onstate")), "En");

    ZEVAHVNode *shape = channelParam(*c.sys, 5, "Shape");
    EXPECT_EQ(enumTexts(shape), (QStringList{"0.2", "1", "3", "6"}));
    expectEnumShown(shape, "usec");
    expectEnumShown(channelParam(*c.sys, 0, "CoarGain"), " ");
    expectOnOffShown(channelParam(*c.sys, 2, "OutPol"), "Neg", "Pos");
    expectOnOffShown(channelParam(*c.sys, 2, "OutConf"), "Inv", "Dir");
    EXPECT_EQ(channelParam(*c.sys, 0, "Name")->accessMode(), ZEVAHVNode::ReadOnly);
    EXPECT_EQ(channelParam(*c.sys, 0, "FineGain")->valueType(), 6);
    EXPECT_EQ(s(c.sys->statusBarConnectionText()),
              "IP: 127.0.0.1:" + std::to_string(c.sim->port()) + ", LBus: 0");
    EXPECT_EQ(c.sys->disconnectSystem(false), 0);
}

TEST(AmplifierConnection, P731XBCShapeTexts)
{
    Connection c = connectAmplifier("p731x", ZEVAHV_SYS_P731X, {"--model", "P731XBC"});
    EXPECT_EQ(enumTexts(channelParam(*c.sys, 0, "Shape")), (QStringList{"0.2", "1", "2", "6"}));
    c.sys->disconnectSystem(false);
}

TEST(AmplifierConnection, Q2904BuildsItsTree)
{
    Connection c = connectAmplifier("q2904", ZEVAHV_SYS_Q2904);
    ASSERT_NE(c.sys->root(), nullptr);
    expectSingleBoardOf16Channels(*c.sys, {"Name", "MuxOut", "InPol", "Shape", "CoarsGain",
                                           "FineGain", "PoleZAdj", "TGain", "TInt", "TDiff",
                                           "OffsetAdj", "Threshold", "CFDDelEn", "CFDDelay",
                                           "CFDWidth", "OROut", "ORWidth", "PUR"});
    EXPECT_EQ(namesOf(c.sys->root()->children().first()->parameters()),
              (QStringList{"Offset", "MultiThr"}));
    expectEnumShown(channelParam(*c.sys, 1, "Shape"), "usec");
    expectEnumShown(channelParam(*c.sys, 1, "TInt"), "nsec");
    EXPECT_EQ(enumTexts(channelParam(*c.sys, 1, "MuxOut")),
              (QStringList{"Disable", "Energy Enabled", "Timing Enabled"}));
    expectOnOffShown(channelParam(*c.sys, 7, "InPol"), "Neg", "Pos");
    expectOnOffShown(channelParam(*c.sys, 7, "OROut"), "Dis", "En");
    c.sys->disconnectSystem(false);
}

TEST(AmplifierConnection, Q2906BuildsItsTree)
{
    Connection c = connectAmplifier("q2906", ZEVAHV_SYS_Q2906);
    ASSERT_NE(c.sys->root(), nullptr);
    expectSingleBoardOf16Channels(*c.sys, {"Name", "Shape", "SlowFGain", "AUXFFGain", "SlowCGain",
                                           "AUXFCGain", "PUR", "MuxOut", "MuxSel", "Threshold",
                                           "CFDDelEn", "CFDDelay", "CFDWidth", "ORWidth", "OR"});
    expectEnumShown(channelParam(*c.sys, 3, "Shape"), "nsec");
    expectEnumShown(channelParam(*c.sys, 3, "MuxSel"), " ");
    expectOnOffShown(channelParam(*c.sys, 3, "PUR"), "En", "Dis");
    c.sys->disconnectSystem(false);
}

TEST(AmplifierConnection, ValueChangedAtTheModuleReachesTheTree)
{
    RecordingSink sink;
    QTcpEventServer server(ZEVAHVEventPort::DefaultPort);
    ASSERT_TRUE(server.start());
    ASSERT_TRUE(server.waitUntilListening(20000));  // announces its port
    Connection c = connectAmplifier("p731x", ZEVAHV_SYS_P731X);
    ASSERT_NE(c.sys->root(), nullptr);
    const SubscriptionFailures failures = c.sys->subscribeParameters();
    EXPECT_TRUE(failures.isEmpty()) << failures.channelItems.size() << " channel failures";
    sink.applyValuesTo({c.sys.get()});
    c.sys->setEventsEnabled(true);

    ASSERT_EQ(c.sim->control("set 0 FGAIN 3 100").rfind("OK", 0), 0u);
    ZEVAHVNode *gain = channelParam(*c.sys, 3, "FineGain");
    ASSERT_TRUE(pumpUntil([&] { return gain->value().value.toFloat() == 100.0f; }, 60000))
        << "FineGain of channel 3 is " << gain->value().value.toFloat();
    EXPECT_EQ(gain->text().split(' ').first().toDouble(), 100.0);
    EXPECT_TRUE(c.sys->isListenerRunning());

    EXPECT_EQ(c.sys->disconnectSystem(true), 0);
    EXPECT_FALSE(c.sys->isListenerRunning());
    sink.applyValuesTo({});
}

TEST(AmplifierConnection, DisconnectWhileEventsFlowEndsOnlyThatListener)
{
    RecordingSink sink;
    QTcpEventServer server(ZEVAHVEventPort::DefaultPort);
    ASSERT_TRUE(server.start());
    ASSERT_TRUE(server.waitUntilListening(20000));
    // The Q2906 pauses every listener when it closes; the P731X goes on.
    Connection q = connectAmplifier("q2906", ZEVAHV_SYS_Q2906);
    Connection p = connectAmplifier("p731x", ZEVAHV_SYS_P731X);
    ASSERT_NE(q.sys->root(), nullptr);
    ASSERT_NE(p.sys->root(), nullptr);
    sink.applyValuesTo({q.sys.get(), p.sys.get()});
    for (Connection *c : {&q, &p}) {
        EXPECT_TRUE(c->sys->subscribeParameters().isEmpty());
        c->sys->setEventsEnabled(true);
    }
    ASSERT_TRUE(pumpUntil([&] { return q.sys->isListenerRunning() && p.sys->isListenerRunning(); },
                          60000));
    ASSERT_EQ(q.sim->control("set 0 THR 2 1234").rfind("OK", 0), 0u);
    ZEVAHVNode *thr = channelParam(*q.sys, 2, "Threshold");
    ASSERT_TRUE(pumpUntil([&] { return thr->value().value.toFloat() == 1234.0f; }, 60000));

    const auto started = Clock::now();
    EXPECT_EQ(q.sys->disconnectSystem(true), 0);
    EXPECT_LT(Clock::now() - started, std::chrono::seconds(60));  // no deadlock
    EXPECT_FALSE(q.sys->isListenerRunning());
    EXPECT_FALSE(ListenerPauseGate::instance().isPaused());

    // The other system's listener was only paused: its events still come.
    ASSERT_EQ(p.sim->control("set 0 PZADJ 9 77").rfind("OK", 0), 0u);
    ZEVAHVNode *pz = channelParam(*p.sys, 9, "PoleZAdj");
    ASSERT_TRUE(pumpUntil([&] { return pz->value().value.toFloat() == 77.0f; }, 60000));
    EXPECT_TRUE(p.sys->isListenerRunning());

    sink.applyValuesTo({p.sys.get()});
    q.sys.reset();  // deleting a closed interface leaves no thread behind
    EXPECT_EQ(p.sys->disconnectSystem(true), 0);
    sink.applyValuesTo({});
    p.sys.reset();
    EXPECT_EQ(ListenerPauseGate::instance().runningListeners(), 0);
}
