#include "screenshot.h"

#include <QApplication>
#include <QDialog>
#include <QPainter>
#include <QPixmap>
#include <QWidget>

namespace {
QList<QDialog*> openDialogs()
{
    QList<QDialog*> dialogs;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<QDialog*>(w); d && d->isVisible())
            dialogs << d;
    return dialogs;
}
}

bool saveWindowPicture(QWidget* window, const QString& file)
{
    if (!window)
        return false;
    QPixmap picture = window->grab();
    QPainter painter(&picture);
    const QPoint origin = window->mapToGlobal(QPoint(0, 0));
    for (QDialog* d : openDialogs())
        painter.drawPixmap(d->mapToGlobal(QPoint(0, 0)) - origin, d->grab());
    painter.end();
    return picture.save(file);
}

void closeOpenDialogs()
{
    for (QDialog* d : openDialogs())
        d->reject();
}
