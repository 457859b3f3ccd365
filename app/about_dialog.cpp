#include "app/about_dialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QVBoxLayout>

namespace mv {

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("aboutDialog"));
    setWindowTitle(QStringLiteral("About Marvolen"));
    auto* layout = new QHBoxLayout(this);
    auto* icon = new QLabel(this);
    icon->setPixmap(QIcon(QStringLiteral(":/icons/marvolen.svg")).pixmap(48, 48));
    icon->setAlignment(Qt::AlignTop);
    layout->addWidget(icon);
    auto* texts = new QVBoxLayout;
    for (const char* text : {"Marvolen Version 2.13", "NOTE: This Version uses 80-bit floating point math routines,",
                             "providing more accurate results for large molecules.", "Source of isotopic data:",
                             "Pure Appl. Chem., Vol. 75, pp 683-800, 2003"})
        texts->addWidget(new QLabel(QString::fromLatin1(text), this));
    layout->addLayout(texts);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, Qt::Vertical, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons, 0, Qt::AlignTop);
}

}  // namespace mv
