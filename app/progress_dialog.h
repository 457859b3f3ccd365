#pragma once

#include <QDialog>

#include <atomic>

class QListWidget;

namespace mv {

// "Calculation in Progress": the running total in a one-line list and the Cancel button. It is
// modeless and starts hidden; the view shows it on the first timer tick. Cancel and Escape set the
// cancel byte the engine polls and hide the dialog; OK does nothing.
class StopCalcDialog : public QDialog {
    Q_OBJECT
public:
    StopCalcDialog(std::atomic<bool>& cancelByte, QWidget* parent = nullptr);

    // Replaces the list's only line.
    void showTotal(const QString& text);
    QString totalText() const;
    bool cancelRequested() const { return cancelByte_.load(std::memory_order_relaxed); }

    void accept() override;
    void reject() override;

private:
    std::atomic<bool>& cancelByte_;
    QListWidget* list_;
};

}  // namespace mv
