#include "messageboxes.h"

#include <QPushButton>

namespace VelmoraMessages {
namespace {
Interceptor& interceptor()
{
    static Interceptor i;
    return i;
}

void show(QWidget* parent, QMessageBox::Icon icon, const QString& text)
{
    if (interceptor()) {
        interceptor()({icon, text, QString()});
        return;
    }
    QMessageBox box(icon, "Velmora", text, QMessageBox::Ok, parent);
    box.exec();
}
}

void setInterceptor(Interceptor i) { interceptor() = std::move(i); }

void warning(QWidget* parent, const QString& text) { show(parent, QMessageBox::Warning, text); }
void critical(QWidget* parent, const QString& text) { show(parent, QMessageBox::Critical, text); }

bool warningWithChoice(QWidget* parent, const QString& text, const QString& informative,
                       const QString& acceptText, const QString& rejectText)
{
    if (interceptor())
        return interceptor()({QMessageBox::Warning, text, informative});
    QMessageBox box(QMessageBox::Warning, "Velmora", text, QMessageBox::NoButton, parent);
    box.setInformativeText(informative);
    QPushButton* accept = box.addButton(acceptText, QMessageBox::AcceptRole);
    box.addButton(rejectText, QMessageBox::RejectRole);
    box.exec();
    return box.clickedButton() == accept;
}

} // namespace VelmoraMessages
