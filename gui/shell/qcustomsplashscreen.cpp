#include "qcustomsplashscreen.h"

#include <QMouseEvent>

QCustomSplashScreen::QCustomSplashScreen(const QPixmap& picture, QWidget* mainWindow)
    : QSplashScreen(picture), m_mainWindow(mainWindow)
{
}

void QCustomSplashScreen::showWaitMessage()
{
    showMessage("Please wait...", Qt::AlignBottom | Qt::AlignLeft, Qt::white);
}

void QCustomSplashScreen::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    showWaitMessage();
    if (m_mainWindow && m_mainWindow->isVisible())
        finish(m_mainWindow);
}

void QCustomSplashScreen::mouseDoubleClickEvent(QMouseEvent* event)
{
    mousePressEvent(event);
}
