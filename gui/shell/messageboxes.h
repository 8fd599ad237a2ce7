#pragma once
// Every message the window shows goes through here: a box titled "Velmora".
// A test may install an interceptor that receives the texts instead, so that
// no modal box waits for a click.
#include <QMessageBox>
#include <QString>
#include <functional>

namespace VelmoraMessages {

struct Shown {
    QMessageBox::Icon icon;
    QString text;
    QString informativeText;
};
// Returns true when the "accept" choice is taken (boxes with two choices).
using Interceptor = std::function<bool(const Shown&)>;
void setInterceptor(Interceptor interceptor);

void warning(QWidget* parent, const QString& text);
void critical(QWidget* parent, const QString& text);
// A warning with informative text and two buttons; true when the accept
// button was pressed.
bool warningWithChoice(QWidget* parent, const QString& text, const QString& informative,
                       const QString& acceptText, const QString& rejectText);

} // namespace VelmoraMessages
