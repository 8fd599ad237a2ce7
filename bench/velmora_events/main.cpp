// How Velmora takes a heavy stream of event values: a feeder thread plays a
// module's polling thread and sends event frames into Velmora's own event
// server at a fixed rate of values per second, for a P731X that Velmora has
// connected through the library (zevahv-sim p731x).  The values travel the
// whole way an operator's do: the event server, the listener thread and
// ZEVAHV_GetEventData, the queued signals, the device tree and the cells of
// the table shown on screen; every value changes, so every cell is redrawn.
//
// Meanwhile a probe thread asks the GUI thread a question every 5 ms (a
// queued call stamped with its sending time); how long the answer takes is
// how long an operator's click or key would wait.  Reported: the worst and
// the 99th-percentile wait, with the feed and, for comparison, without it,
// and the values the tree took per second.
//
//   bench_velmora_events [values-per-second] [seconds] [values-per-frame]
//   (defaults 10000, 10, 100; QT_QPA_PLATFORM defaults to offscreen)
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QMetaObject>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "ZEVAHVLink.h"
#include "eventport.h"
#include "mainwindow.h"
#include "messageboxes.h"
#include "qsysteminterface.h"
#include "loopback.h"
#include "sim_child.h"
#include "zevahvnode.h"

namespace {

using Clock = std::chrono::steady_clock;

double ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// Runs the GUI thread's events for a while.
void pump(int milliseconds)
{
    const auto end = Clock::now() + std::chrono::milliseconds(milliseconds);
    while (Clock::now() < end)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

// The P731X's channel parameters that change, with the record type the
// library gives them.
struct Item {
    const char *name;
    int type;
    int modulo;
};
constexpr Item kItems[] = {{"FineGain", ZEVAHV_PARAM_TYPE_NUMERIC, 256},
                           {"PoleZAdj", ZEVAHV_PARAM_TYPE_NUMERIC, 256},
                           {"CoarGain", ZEVAHV_PARAM_TYPE_ENUM, 8},
                           {"OutPol", ZEVAHV_PARAM_TYPE_ONOFF, 2}};

// One frame of `n` records: channels and items in turn, every value new.
std::string frame(int n, unsigned long &counter)
{
    std::string out;
    const std::uint32_t total = 10 + 1060u * static_cast<std::uint32_t>(n);
    out.append("ZEVAHV", 6);
    const char be[4] = {char(total >> 24), char(total >> 16), char(total >> 8), char(total)};
    out.append(be, 4);
    for (int i = 0; i < n; ++i, ++counter) {
        IDValue_t r{};
        const Item &item = kItems[(counter / 16) % std::size(kItems)];
        r.Type = item.type;
        r.BoardIndex = 0;
        r.ChannelIndex = int(counter % 16);
        std::strncpy(r.Item, item.name, sizeof r.Item - 1);
        const unsigned step = unsigned(counter / 64) % unsigned(item.modulo);
        if (item.type == ZEVAHV_PARAM_TYPE_NUMERIC) {
            const float v = float(step);
            std::memcpy(r.Value, &v, sizeof v);
        } else {
            std::memcpy(r.Value, &step, sizeof step);
        }
        out.append(reinterpret_cast<const char *>(&r), sizeof r);
    }
    return out;
}

int connectLocal(unsigned short port)
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd < 0 || connect(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0) {
        if (fd >= 0)
            close(fd);
        return -1;
    }
    return fd;
}

bool sendAll(int fd, const std::string &bytes)
{
    size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        sent += size_t(n);
    }
    return true;
}

// Waits of the GUI thread, as the probe measured them.
struct Waits {
    std::mutex mutex;
    std::vector<double> ms;
    void add(double v)
    {
        std::lock_guard<std::mutex> lock(mutex);
        ms.push_back(v);
    }
    std::vector<double> take()
    {
        std::lock_guard<std::mutex> lock(mutex);
        std::vector<double> out;
        out.swap(ms);
        return out;
    }
};

// Asks the GUI thread every 5 ms until stopped.
std::thread probe(MainWindow *window, Waits &waits, std::atomic<bool> &stop)
{
    return std::thread([window, &waits, &stop] {
        while (!stop) {
            const auto sent = Clock::now();
            QMetaObject::invokeMethod(window, [sent, &waits] { waits.add(ms(Clock::now() - sent)); },
                                      Qt::QueuedConnection);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });
}

void report(const char *what, std::vector<double> w)
{
    if (w.empty()) {
        std::printf("  %-28s no answers\n", what);
        return;
    }
    std::sort(w.begin(), w.end());
    const double p99 = w[std::min(w.size() - 1, size_t(w.size() * 0.99))];
    std::printf("  %-28s worst %7.1f ms, 99th percentile %6.1f ms, median %5.2f ms (%zu probes)\n", what,
                w.back(), p99, w[w.size() / 2], w.size());
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    Q_INIT_RESOURCE(velmora);
    QApplication app(argc, argv);
    const int rate = argc > 1 ? std::atoi(argv[1]) : 10000;
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 10;
    const int perFrame = argc > 3 ? std::atoi(argv[3]) : 100;
    if (rate <= 0 || seconds <= 0 || perFrame <= 0) {
        std::fprintf(stderr, "usage: bench_velmora_events [values-per-second] [seconds] [values-per-frame]\n");
        return 2;
    }
    VelmoraMessages::setInterceptor([](const VelmoraMessages::Shown &s) {
        std::fprintf(stderr, "message: %s\n", qPrintable(s.text));
        return false;
    });

    SimChild sim;
    if (!sim.start({"p731x"}))
        return 1;
    MainWindow *window = MainWindow::getInstance();
    window->resize(1400, 900);
    window->show();
    const quint16 eventPort = window->eventPort();
    if (eventPort == 0) {
        std::fprintf(stderr, "the event server did not start\n");
        return 1;
    }

    // The library's own polling thread sends its frames elsewhere (a port
    // that takes and drops them), so that the feeder's connection is the
    // system's one event connection.
    unsigned short sinkPort = 0;
    const int sinkFd = listen_local(&sinkPort);
    std::atomic<bool> stop{false};
    std::thread drop([sinkFd, &stop] {
        while (!stop) {
            const int c = accept_within(sinkFd, 100);
            if (c >= 0)
                close(c);
        }
    });
    ZEVAHVEventPort::set(sinkPort);
    const QString argument = QString("127.0.0.1:%1_0").arg(sim.port());
    if (window->connectToSystem(ZEVAHV_SYS_P731X, ZEVAHV_LINK_TCPIP, argument, "Amp", "", "") != 0) {
        std::fprintf(stderr, "cannot connect the simulated P731X\n");
        return 1;
    }
    ZEVAHVEventPort::set(eventPort);
    QSystemInterface *sys = window->systems().at(0);

    std::atomic<long> applied{0};
    QObject::connect(window, &MainWindow::updateValueAndWidget, window, [&applied] { ++applied; },
                     Qt::QueuedConnection);

    const int feed = connectLocal(eventPort);
    const std::string ident = argument.toStdString();
    if (feed < 0 || !sendAll(feed, std::string(ident.c_str(), ident.size() + 1))) {
        std::fprintf(stderr, "cannot reach the event server\n");
        return 1;
    }
    for (int i = 0; i < 200 && !sys->isListenerRunning(); ++i)
        pump(20);
    if (!sys->isListenerRunning()) {
        std::fprintf(stderr, "the event connection was not taken\n");
        return 1;
    }
    pump(500);

    Waits waits;
    std::atomic<bool> probing{false};
    std::printf("Velmora applying event values: P731X, %d values/s in frames of %d, %d s, platform %s\n", rate,
                perFrame, seconds, qPrintable(QGuiApplication::platformName()));

    // Without the feed.
    std::thread idle = probe(window, waits, probing);
    pump(2000);
    probing = true;
    idle.join();
    pump(100);
    report("GUI wait, no feed:", waits.take());

    // With it.
    probing = false;
    std::atomic<bool> feeding{true};
    std::atomic<long> sentValues{0};
    std::thread feeder([&] {
        unsigned long counter = 0;
        const auto period = std::chrono::duration<double>(double(perFrame) / rate);
        auto next = Clock::now();
        while (feeding) {
            if (!sendAll(feed, frame(perFrame, counter)))
                break;
            sentValues += perFrame;
            next += std::chrono::duration_cast<Clock::duration>(period);
            std::this_thread::sleep_until(next);
        }
    });
    std::thread busy = probe(window, waits, probing);
    const long before = applied;
    const auto started = Clock::now();
    pump(seconds * 1000);
    feeding = false;
    feeder.join();
    const double fed = std::chrono::duration<double>(Clock::now() - started).count();
    probing = true;
    busy.join();
    // The values still queued are applied before counting.
    const long sent = sentValues;
    for (int i = 0; i < 500 && applied - before < sent; ++i)
        pump(10);
    report("GUI wait, with the feed:", waits.take());
    std::printf("  values sent %ld (%.0f/s), applied %ld, backlog at the end %.0f ms\n", sent, sent / fed,
                long(applied - before), ms(Clock::now() - started) - fed * 1000);
    std::printf("  lost reported: %s\n", sys->root()->connectionState() == ZEVAHVNode::ConnectionLost ? "yes" : "no");

    close(feed);
    stop = true;
    drop.join();
    close(sinkFd);
    window->close();
    delete window;
    return 0;
}
