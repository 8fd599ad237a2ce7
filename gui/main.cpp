// Velmora: control of NIM amplifier and discriminator modules through
// ZEVAHVLink.
#include <QApplication>
#include <QFile>
#include <QPixmap>
#include <QScreen>
#include <QTextStream>
#include <QTimer>
#include <cstdio>

#include "commandline.h"
#include "mainwindow.h"
#include "qcustomsplashscreen.h"
#include "screenshot.h"

namespace {
// How long the splash stays up at least; the program runs meanwhile.
constexpr int kSplashMs = 1000;

void openFirstSystems(MainWindow* window, const StartupOptions& options)
{
    if (options.connections.isEmpty()) {
        window->createDialogForConnection();
        return;
    }
    for (const ConnectionRequest& r : options.connections) {
        if (window->connectedSystemCount() >= 4) {
            std::fprintf(stderr, "Velmora: at most four systems; %s not connected\n", qPrintable(r.argument));
            continue;
        }
        window->connectToSystem(r.systemType, r.linkType, r.argument, r.name, r.user, r.password);
    }
}
}

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

    QFile style(":/Resources/stylesheet-2.qss");
    if (style.open(QIODevice::ReadOnly))
        app.setStyleSheet(QTextStream(&style).readAll());

    window->show();
    // The splash goes once the window is up and a moment has passed; the
    // event loop runs all the while, so nothing waits on it.
    QTimer::singleShot(kSplashMs, window, [window, &splash, &options] {
        if (splash.isVisible())
            splash.finish(window);
        openFirstSystems(window, options);
    });

    int screenshotResult = 0;
    if (!options.screenshotFile.isEmpty()) {
        // Without a window manager (Xvfb) nothing maximises the window.
        if (QScreen* screen = window->screen())
            window->setGeometry(screen->availableGeometry());
        // The picture is taken after the given time whatever the window is
        // doing then, a failed connection's message box included: it is
        // drawn into the picture, closed, and the program ends.
        const int delayMs = static_cast<int>(options.screenshotAfterSeconds * 1000);
        QTimer::singleShot(delayMs, window, [window, &options, &screenshotResult] {
            if (!saveWindowPicture(window, options.screenshotFile)) {
                std::fprintf(stderr, "Velmora: cannot write %s\n", qPrintable(options.screenshotFile));
                screenshotResult = 1;
            }
            closeOpenDialogs();
            QCoreApplication::exit(0);
        });
    }

    QObject::connect(&app, &QApplication::lastWindowClosed, &app, &QApplication::quit);
    const int rc = app.exec();
    delete window;
    return rc != 0 ? rc : screenshotResult;
}
