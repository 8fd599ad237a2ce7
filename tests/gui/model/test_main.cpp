// The model's tests run inside a QApplication on the offscreen platform:
// nodes are table items and the listener reaches the main window.
#include <QApplication>
#include <gtest/gtest.h>

#include "mainwindow.h"

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    delete MainWindow::existingInstance();  // tests that reach the window create it
    return result;
}
