#pragma once

#include "base/form.h"
#include "base/prompter.h"

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>

namespace mv::cli {

// The prompter of the command line: nobody is there to answer, so every message goes to the error
// stream as its exact text and a newline, Retry/Cancel answers Cancel, Yes/No answers No, and no
// save dialog is offered. A form is filled by fillForm (from the command's arguments) and then
// validated as the dialog would be on OK.
class CliPrompter : public Prompter {
public:
    explicit CliPrompter(std::ostream& err) : err_(err) {}

    // Fills a form from the arguments; false means the arguments do not answer it (Cancel). Unset:
    // the form is taken with its pre-filled values.
    std::function<bool(Form&)> fillForm;

    void message(const std::string& text) override;
    bool retryCancel(const std::string& text) override;
    bool yesNo(const std::string& text) override;
    bool runForm(Form& form) override;
    std::optional<std::string> savePath(const std::string& defaultName, const std::string& filter,
                                        const std::string& defaultExtension) override;

    // How many messages have been written, so a command can tell a refusal already explained from
    // one it must explain itself.
    int messagesShown() const { return shown_; }

private:
    void show(const std::string& text);

    std::ostream& err_;
    int shown_ = 0;
};

}  // namespace mv::cli
