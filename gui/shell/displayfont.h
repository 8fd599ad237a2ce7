#pragma once
#include <QFont>
#include <QString>

// The condensed display font compiled into the program (loaded on first use).
// Falls back to the application font's family if the resource cannot be read.
QString displayFontFamily();
QFont displayFont();
