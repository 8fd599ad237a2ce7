// Velmora: control of NIM amplifier and discriminator modules through
// ZEVAHVLink.
#include <QApplication>
#include <QFile>
#include <QPixmap>
#include <QScreen>
#include <QTextStream>
#include <QThread>
#include <QTimer>
#include <cstdio>

#include "commandline.h"
#include "mainwindow.h"
#include "qcustomsplashscreen.h"

int main(int argc, char* argv[])
{
    Q_INIT_RESOURCE(velmora);
    QApplication app(argc, argv);
    QCoreApplication::addLibraryPath("./plugins/");

    const StartupOptions options = parseStartupOptions(QCoreApplication::arguments());
    if (!options.error.isEmpty()) {
        std::fprintf(stderr, "Velmora: %s\n", qPrintable(options.error));
        std::fprintf(stderr, "usage: Velmora [--connect TYPE,LINK,ARGUMENT,NAME]... "
                             "[--screenshot FILE [--after SECONDS]]\n");
        return 2;
    }

    MainWindow* window = MainWindow::getInstance();

    QCustomSplashScreen splash(QPixmap(":/Resources/Elementi/lite/splashscr-NAME-WIDE-red.png"), window);
    splash.showWaitMessage();
    splash.show();
    QCoreApplication::processEvents();
    QThread::msleep(3000);   // the splash is shown for three seconds

    QFile style(":/Resources/stylesheet-2.qss");
    if (style.open(QIODevice::ReadOnly))
        app.setStyleSheet(QTextStream(&style).readAll());

    window->show();
    splash.finish(window);

    if (options.connections.isEmpty()) {
        window->createDialogForConnection();
    } else {
        for (const ConnectionRequest& r : options.connections) {
            if (window->connectedSystemCount() >= 4) {
                std::fprintf(stderr, "Velmora: at most four systems; %s not connected\n", qPrintable(r.argument));
                continue;
            }
            window->connectToSystem(r.systemType, r.linkType, r.argument, r.name, r.user, r.password);
        }
    }

    int screenshotResult = 0;
    if (!options.screenshotFile.isEmpty()) {
        // Without a window manager (Xvfb) nothing maximises the window.
        if (QScreen* screen = window->screen())
            window->setGeometry(screen->availableGeometry());
        const int delayMs = static_cast<int>(options.screenshotAfterSeconds * 1000);
        QTimer::singleShot(delayMs, window, [window, &options, &screenshotResult] {
            if (!window->grab().save(options.screenshotFile)) {
                std::fprintf(stderr, "Velmora: cannot write %s\n", qPrintable(options.screenshotFile));
                screenshotResult = 1;
            }
            window->close();
        });
    }

    QObject::connect(&app, &QApplication::lastWindowClosed, &app, &QApplication::quit);
    const int rc = app.exec();
    delete window;
    return rc != 0 ? rc : screenshotResult;
}
