#include "shell_fixture.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>
#include <QTest>

#include "customcontrols.h"
#include "mainwindow.h"
#include "qconnectdialog.h"
#include "sim_process.h"
#include "zevahvnode.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

bool waitFor(const std::function<bool()>& cond, int timeoutMs)
{
    return QTest::qWaitFor(cond, timeoutMs);
}

MessageRecorder::MessageRecorder(bool acceptChoices)
{
    VelmoraMessages::setInterceptor([this, acceptChoices](const VelmoraMessages::Shown& s) {
        shown.push_back(s);
        if (m_loop) {
            QEventLoop loop;
            QTimer::singleShot(50, &loop, &QEventLoop::quit);
            loop.exec();
        }
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

void WindowTest::SetUp() { window = MainWindow::getInstance(); }

void WindowTest::TearDown()
{
    window->close();
    delete window;
    EXPECT_EQ(MainWindow::existingInstance(), nullptr);
}

std::vector<std::string> setCommands(const SimProcess& sim)
{
    std::vector<std::string> out;
    for (const std::string& l : sim.log_lines())
        if (l.rfind("> ", 0) == 0 && l.find("CMD:SET") != std::string::npos)
            out.push_back(l);
    return out;
}

namespace {
int listenLoopback(int* port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(fd, 8) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
        if (fd >= 0)
            ::close(fd);
        return -1;
    }
    *port = ntohs(a.sin_port);
    return fd;
}
}

HangUpPort::HangUpPort()
{
    m_fd = listenLoopback(&m_port);
    if (m_fd < 0 || ::pipe(m_wake) != 0) {
        ADD_FAILURE() << "no loopback port to listen on";
        return;
    }
    const int fd = m_fd, wake = m_wake[0];
    m_thread = new std::thread([fd, wake] {
        for (;;) {
            pollfd p[2] = {{fd, POLLIN, 0}, {wake, POLLIN, 0}};
            if (::poll(p, 2, -1) < 0 || p[1].revents)
                return;
            const int c = ::accept(fd, nullptr, nullptr);
            if (c >= 0)
                ::close(c);
        }
    });
}

HangUpPort::~HangUpPort()
{
    if (auto* t = static_cast<std::thread*>(m_thread)) {
        [[maybe_unused]] const ssize_t w = ::write(m_wake[1], "x", 1);
        t->join();
        delete t;
    }
    for (int fd : {m_fd, m_wake[0], m_wake[1]})
        if (fd >= 0)
            ::close(fd);
}

int deadPort()
{
    int port = 0;
    const int fd = listenLoopback(&port);
    if (fd >= 0)
        ::close(fd);
    return port;
}

QList<QCustomLineEdit*> addressBoxes(QConnectDialog* dialog)
{
    QList<QCustomLineEdit*> out;
    for (auto* e : dialog->findChildren<QCustomLineEdit*>())
        if (e->objectName() == "ipAddr")
            out << e;
    return out;
}
