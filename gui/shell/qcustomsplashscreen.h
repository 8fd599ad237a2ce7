#pragma once
// The start-up picture.  A click does not dismiss it early: start-up goes on
// until the main window is ready.
#include <QSplashScreen>

class QCustomSplashScreen : public QSplashScreen
{
    Q_OBJECT
public:
    QCustomSplashScreen(const QPixmap& picture, QWidget* mainWindow);
    void showWaitMessage();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QWidget* m_mainWindow;
};
