#include "displayfont.h"

#include <QApplication>
#include <QFontDatabase>
#include <QStringList>

QString displayFontFamily()
{
    static const QString family = [] {
        const int id = QFontDatabase::addApplicationFont(":/Resources/fonts/DejaVuSansCondensed.ttf");
        const QStringList families = id >= 0 ? QFontDatabase::applicationFontFamilies(id) : QStringList();
        return families.isEmpty() ? QApplication::font().family() : families.first();
    }();
    return family;
}

QFont displayFont()
{
    return QFont(displayFontFamily());
}
