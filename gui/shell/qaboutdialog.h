#pragma once
// Program name, version and banner.
#include <QDialog>

namespace Ui { class QAboutDialog; }

class QAboutDialog : public QDialog
{
    Q_OBJECT
public:
    explicit QAboutDialog(QWidget* parent = nullptr);
    ~QAboutDialog() override;

    static const char* const kVersion;

private:
    Ui::QAboutDialog* ui;
};
