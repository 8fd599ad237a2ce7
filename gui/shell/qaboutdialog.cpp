#include "qaboutdialog.h"

#include <QPixmap>

#include "ui_qaboutdialog.h"

const char* const QAboutDialog::kVersion = "Version 1.3.0";

QAboutDialog::QAboutDialog(QWidget* parent) : QDialog(parent), ui(new Ui::QAboutDialog)
{
    ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QString("About %0").arg("Velmora"));
    ui->nameLabel->setText("Velmora");
    ui->versionLabel->setText(kVersion);
    ui->imageLabel->setPixmap(QPixmap(":/Resources/Elementi/zeva_banner.jpg")
                                  .scaled(500, 42, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    connect(ui->closeButton, &QPushButton::clicked, this, &QDialog::close);
}

QAboutDialog::~QAboutDialog() { delete ui; }
