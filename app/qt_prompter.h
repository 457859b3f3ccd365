#pragma once

#include "base/prompter.h"

#include <QString>
#include <QStringList>

class QWidget;

namespace mv {

// The desktop's prompter: message boxes, the form dialogs and the save-file dialog, all modal
// over the parent window.
class QtPrompter : public Prompter {
public:
    explicit QtPrompter(QWidget* parent = nullptr) : parent_(parent) {}

    void message(const std::string& text) override;
    bool retryCancel(const std::string& text) override;
    bool yesNo(const std::string& text) override;
    bool runForm(Form& form) override;
    std::optional<std::string> savePath(const std::string& defaultName, const std::string& filter,
                                        const std::string& defaultExtension) override;

    void setParent(QWidget* parent) { parent_ = parent; }

private:
    QWidget* parent_;
};

// A filter in the framework's form ("Name (*.txt)|*.txt|All Files (*.*)|*.*||") as Qt name
// filters ("Name (*.txt)", "All Files (*)").
QStringList qtNameFilters(const std::string& filter);

// The caption of the program's message boxes.
inline QString messageBoxTitle() { return QStringLiteral("Marvolen"); }

}  // namespace mv
