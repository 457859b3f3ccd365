#include "app/progress_dialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace mv {

StopCalcDialog::StopCalcDialog(std::atomic<bool>& cancelByte, QWidget* parent)
    : QDialog(parent), cancelByte_(cancelByte) {
    setObjectName(QStringLiteral("progressDialog"));
    setWindowTitle(QStringLiteral("Calculation in Progress"));
    setModal(false);

    auto* layout = new QVBoxLayout(this);
    auto* totalRow = new QHBoxLayout;
    totalRow->addWidget(new QLabel(QStringLiteral("Present Total Fractional Abundance"), this));
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("list1045"));
    list_->setFocusPolicy(Qt::NoFocus);
    list_->setMaximumHeight(list_->fontMetrics().height() * 2);
    list_->setMaximumWidth(list_->fontMetrics().horizontalAdvance(QStringLiteral("0.000000")) * 2);
    totalRow->addWidget(list_);
    layout->addLayout(totalRow);
    layout->addWidget(new QLabel(QStringLiteral("To stop the calculation: Exit or press Cancel."), this));
    layout->addWidget(new QLabel(QStringLiteral("Proper exiting may require some time!"), this));
    layout->addWidget(new QLabel(QStringLiteral("Please WAIT for the next screen to appear before acting."), this));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &StopCalcDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &StopCalcDialog::reject);
    layout->addWidget(buttons);

    // OnInitDialog: the first line, no cancel request yet.
    list_->addItem(QStringLiteral("0.00000"));
    cancelByte_.store(false, std::memory_order_relaxed);
}

void StopCalcDialog::showTotal(const QString& text) {
    delete list_->takeItem(0);
    list_->addItem(text);
    list_->repaint();
}

QString StopCalcDialog::totalText() const { return list_->count() > 0 ? list_->item(0)->text() : QString(); }

void StopCalcDialog::accept() {}

void StopCalcDialog::reject() {
    cancelByte_.store(true, std::memory_order_relaxed);
    hide();
}

}  // namespace mv
