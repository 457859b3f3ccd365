#pragma once

#include <optional>
#include <string>

namespace mv {

struct Form;

// Everything a calculation or document step may ask of the person at the screen. The desktop
// shows real dialogs, the command line answers from its arguments and writes to stderr, tests
// script the answers. Every refusal shows exactly one message through this interface.
class Prompter {
public:
    virtual ~Prompter() = default;

    // Message box with the exclamation icon and an OK button.
    virtual void message(const std::string& text) = 0;
    // Message box with Retry and Cancel; true when the answer is Retry.
    virtual bool retryCancel(const std::string& text) = 0;
    // Message box with the question icon, Yes and No; true when the answer is Yes.
    virtual bool yesNo(const std::string& text) = 0;
    // Shows the form as a modal dialog pre-filled from its fields. It returns only once the
    // fields pass validateForm (true, OK) or the user cancelled (false); on OK the fields hold
    // what was entered.
    virtual bool runForm(Form& form) = 0;
    // Save-file dialog offering defaultName; nothing on Cancel.
    virtual std::optional<std::string> savePath(const std::string& defaultName,
                                                const std::string& filter,
                                                const std::string& defaultExtension) = 0;
};

}  // namespace mv
