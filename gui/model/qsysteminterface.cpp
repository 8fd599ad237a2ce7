#include "qsysteminterface.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QByteArray>
#include <QMutexLocker>
#include <QProgressDialog>
#include <QStatusBar>
#include <QThread>

#include "ZEVAHVLink.h"
#include "eventlistener.h"
#include "eventport.h"
#include "eventwatchdog.h"
#include "listenerpausegate.h"
#include "statusbartexts.h"
#include "subscriptionnames.h"
#include "systemregistry.h"
#include "treebuilder.h"
#include "zevahvnode.h"

namespace {

void setProgress(QProgressDialog *progress, int value)
{
    if (progress)
        progress->setValue(value);
}

} // namespace

QSystemInterface::QSystemInterface(int systemType, int linkType, const QString &connectionArgument,
                                   const QString &name, int systemIndex, QWidget *parent)
    : QWidget(parent), m_systemIndex(systemIndex), m_systemType(systemType),
      m_linkType(linkType), m_name(name), m_connectionArgument(connectionArgument)
{
    setObjectName(QStringLiteral("systemInterface"));
    m_logFileName = QStringLiteral("%0_%1.log")
                        .arg(QStringLiteral("VelmoraSubscrFail"), 0, QLatin1Char(' '))
                        .arg(name, 0, QLatin1Char(' '));
    m_watchdog = new QEventWatchdog(this);
    QSystemRegistry::add(this);
}

QSystemInterface::~QSystemInterface()
{
    // Out of the registry first: from here on the event server cannot hand
    // this interface a connection.
    QSystemRegistry::remove(this);
    setClosing(true);
    stopEventListener();  // the listener notes batches on the watchdog
    delete m_watchdog;    // waits for a read-back in flight
    m_watchdog = nullptr;
    if (m_root && m_isCustomView) {
        // The custom view only gathers other systems' roots.
        const QVector<ZEVAHVNode *> gathered = m_root->children();
        for (ZEVAHVNode *r : gathered)
            m_root->removeChild(r);
    }
    delete m_root;
    delete m_statusBar.data();  // may be parented to the main window now
    delete m_box.data();        // lives in the dock's list
}

void QSystemInterface::setRoot(ZEVAHVNode *root)
{
    if (root == m_root)
        return;
    delete m_root;
    m_root = root;
}

int QSystemInterface::connectSystem(QProgressDialog *progress, const QString &user,
                                    const QString &password)
{
    if (m_connectionArgument.isEmpty())
        return -1;

    // Passed whole and terminated: a cut argument would name another port,
    // or one whose events never match.
    QByteArray argument = m_connectionArgument.toLocal8Bit();
    if (argument.size() > kMaxArgumentLength)
        return ZEVAHV_ERR_INVALIDPARAMETER;
    setProgress(progress, 5);
    const QByteArray user8 = user.toLocal8Bit();
    const QByteArray password8 = password.toLocal8Bit();

    const int rc = ZEVAHV_InitSystem(m_systemType, m_linkType, argument.data(), user8.constData(),
                                     password8.constData(), &m_handle);
    if (rc != 0) {
        m_handle = -1;
        return rc;
    }

    setProgress(progress, 10);
    auto *root = new ZEVAHVNode(m_name, ZEVAHVNode::KindRoot, m_systemType, m_linkType,
                                m_connectionArgument, user, password);
    root->setAccessMode(ZEVAHVNode::OtherAccess);
    root->setConnectionState(ZEVAHVNode::ConnectionOk);
    root->setHandle(m_handle);
    setRoot(root);

    ZEVAHVTree::addSystemProperties(root, m_handle, m_connectionArgument);

    quint16 slotCount = 0;
    const QVector<ZEVAHVNode *> slotNodes = ZEVAHVTree::readCrateMap(m_handle, &slotCount);
    root->setSlotCount(slotCount);
    // A KR2440 with six slots or fewer is the smaller KR2550.
    if (m_systemType == ZEVAHV_SYS_KR2440)
        m_systemType = slotCount <= 6 ? ZEVAHV_SYS_KR2550 : ZEVAHV_SYS_KR2440;

    int value = 15;
    setProgress(progress, value);
    for (ZEVAHVNode *slot : slotNodes) {
        value = qMin(value + 5, 95);
        setProgress(progress, value);
        root->addChild(slot);
        if (m_systemType == ZEVAHV_SYS_W40XX) {
            slot->setLabel(user);
            slot->setConnectionArgument(m_connectionArgument);
        } else {
            slot->setLabel(m_name);
        }
        if (slot->kind() == ZEVAHVNode::KindEmpty)
            continue;
        ZEVAHVTree::addBoardItems(slot);
        ZEVAHVTree::addBoardParameters(slot, m_handle);
        ZEVAHVTree::addChannels(slot, m_handle);
    }

    ZEVAHVTree::addLocalItems(root);
    root->setHandle(m_handle);
    setProgress(progress, 95);
    return 0;
}

SubscriptionFailures QSystemInterface::subscribeParameters(const QVector<ZEVAHVNode *> &boards)
{
    return changeSubscription(boards, true);
}

SubscriptionFailures QSystemInterface::unsubscribeParameters(const QVector<ZEVAHVNode *> &boards)
{
    return changeSubscription(boards, false);
}

namespace {

// One library call for a list of names; the names that failed go to `out`.
template <typename Call>
void subscribeNames(const QStringList &names, int board, int channel,
                    QVector<UnsubscribedItem> &out, int &requested, Call call)
{
    if (names.isEmpty())
        return;
    requested += int(names.size());
    const QByteArray joined = names.join(QLatin1Char(':')).toLatin1();
    QByteArray results(names.size(), '\0');
    const int rc = call(joined.constData(), unsigned(names.size()), results.data());
    for (int i = 0; i < names.size(); ++i)
        if (rc != 0 || results[i] != 0)
            out.append(UnsubscribedItem{board, channel, names[i]});
}

} // namespace

SubscriptionFailures QSystemInterface::changeSubscription(const QVector<ZEVAHVNode *> &boardsIn,
                                                          bool on)
{
    SubscriptionFailures failures;
    if (!m_root)
        return failures;
    const short port = static_cast<short>(ZEVAHVEventPort::current());
    const int h = m_handle;
    QVector<ZEVAHVNode *> boards = boardsIn;

    if (boards.isEmpty()) {
        subscribeNames(subscriptionNames(m_root), -1, -1, failures.systemItems, failures.requested,
                       [&](const char *names, unsigned n, char *res) {
                           return on ? ZEVAHV_SubscribeSystemParams(h, port, names, n, res)
                                     : ZEVAHV_UnSubscribeSystemParams(h, port, names, n, res);
                       });
        boards = m_root->children();
    }

    for (ZEVAHVNode *board : boards) {
        if (!board || board->kind() == ZEVAHVNode::KindEmpty)
            continue;
        const unsigned short slot = board->slot();
        subscribeNames(subscriptionNames(board), slot, -1, failures.boardItems, failures.requested,
                       [&](const char *names, unsigned n, char *res) {
                           return on ? ZEVAHV_SubscribeBoardParams(h, port, slot, names, n, res)
                                     : ZEVAHV_UnSubscribeBoardParams(h, port, slot, names, n, res);
                       });
        for (ZEVAHVNode *channel : board->children()) {
            const unsigned short ch = channel->channel();
            subscribeNames(subscriptionNames(channel), slot, ch, failures.channelItems,
                           failures.requested, [&](const char *names, unsigned n, char *res) {
                               return on ? ZEVAHV_SubscribeChannelParams(h, port, slot, ch, names, n, res)
                                         : ZEVAHV_UnSubscribeChannelParams(h, port, slot, ch, names,
                                                                           n, res);
                           });
        }
    }
    return failures;
}

bool QSystemInterface::pausesListenersOnDisconnect(int systemType)
{
    return !(systemType == ZEVAHV_SYS_W40XX || systemType == ZEVAHV_SYS_Q3815 ||
             systemType == ZEVAHV_SYS_P731X || systemType == ZEVAHV_SYS_Q2904);
}

int QSystemInterface::disconnectSystem(bool unsubscribe)
{
    setClosing(true);
    stopWatchingEvents();
    if (m_handle < 0) {
        stopEventListener();
        return 0;
    }
    if (unsubscribe)
        unsubscribeParameters();
    const bool pause = pausesListenersOnDisconnect(m_systemType);
    if (pause)
        ListenerPauseGate::instance().pause();
    const int rc = ZEVAHV_DeinitSystem(m_handle);
    if (pause)
        ListenerPauseGate::instance().resume();
    m_handle = -1;
    stopEventListener();
    return rc;
}

QString QSystemInterface::statusBarTitle() const
{
    return m_root ? ZEVAHVStatusBar::titleLine(m_systemType, m_root->name()) : QString();
}

QString QSystemInterface::statusBarConnectionText() const
{
    return ZEVAHVStatusBar::connectionLine(m_linkType, m_connectionArgument);
}

void QSystemInterface::setEventsEnabled(bool enabled)
{
    QMutexLocker lock(&m_eventMutex);
    m_eventsEnabled = enabled;
}

bool QSystemInterface::eventsEnabled()
{
    QMutexLocker lock(&m_eventMutex);
    return m_eventsEnabled;
}

bool QSystemInterface::startEventListener(int socket)
{
    QMutexLocker lock(&m_listenerMutex);
    if (isClosing())
        return false;
    if (m_threadHandle) {
        if (!m_threadHandle->isFinished())
            return false;
        // The previous connection ended (the system was lost or all its
        // subscriptions went): reap its thread before taking the new one.
        m_threadHandle->wait();
        delete m_threadHandle;
        m_threadHandle = nullptr;
        const int old = m_socket.exchange(-1);
        if (old >= 0)
            ::close(old);
    }
    m_socket.store(socket);
    m_hadEventConnection = true;
    m_threadHandle = QThread::create(runEventListener, this);
    m_threadHandle->setObjectName(QStringLiteral("eventListener"));
    m_threadHandle->start();
    return true;
}

void QSystemInterface::stopEventListener()
{
    QThread *thread = nullptr;
    {
        QMutexLocker lock(&m_listenerMutex);
        thread = m_threadHandle;
        m_threadHandle = nullptr;
    }
    const int fd = m_socket.load();
    if (thread) {
        // A listener waiting for data wakes up on the shut connection; one
        // parked in a pause re-checks the closing flag.
        if (fd >= 0)
            ::shutdown(fd, SHUT_RDWR);
        ListenerPauseGate::instance().wakeListeners();
        thread->wait();
        delete thread;
    }
    const int old = m_socket.exchange(-1);
    if (old >= 0)
        ::close(old);
}

void QSystemInterface::watchEvents()
{
    if (m_watchdog)
        m_watchdog->arm();
}

void QSystemInterface::stopWatchingEvents()
{
    if (m_watchdog)
        m_watchdog->stop();
}

void QSystemInterface::noteEventBatch()
{
    if (m_watchdog)
        m_watchdog->noteBatch();
}

bool QSystemInterface::isListenerRunning() const
{
    QMutexLocker lock(&m_listenerMutex);
    return m_threadHandle && !m_threadHandle->isFinished();
}

void QSystemInterface::setSystemIndex(int index)
{
    m_systemIndex = index;
    if (m_informationPanel)
        m_informationPanel->setProperty("systemIndex", index);
}

void QSystemInterface::setInformationPanel(QWidget *panel)
{
    m_informationPanel = panel;
    if (panel && panel->parent() != this)
        panel->setParent(this);
}

void QSystemInterface::setBox(QWidget *box)
{
    m_box = box;
}

void QSystemInterface::setExtraWidget(QWidget *widget)
{
    m_extraWidget = widget;
    if (widget && widget->parent() != this)
        widget->setParent(this);
}

void QSystemInterface::setStatusBar(QStatusBar *bar)
{
    m_statusBar = bar;
}

void QSystemInterface::clickWidget()
{
    emit clicked(m_systemIndex);
}

void QSystemInterface::extraButtonClick(int index)
{
    emit clickedExtraButton(index);
}

void QSystemInterface::disconnectButtonClick(int index)
{
    emit clickedDisconnectButton(index);
}
