#include "cli/cli_prompter.h"

#include <ostream>

namespace mv::cli {

void CliPrompter::show(const std::string& text) {
    err_ << text << '\n';
    ++shown_;
}

void CliPrompter::message(const std::string& text) { show(text); }

bool CliPrompter::retryCancel(const std::string& text) {
    show(text);
    return false;
}

bool CliPrompter::yesNo(const std::string& text) {
    show(text);
    return false;
}

bool CliPrompter::runForm(Form& form) {
    if (fillForm && !fillForm(form)) return false;
    if (const auto failure = validateForm(form)) {
        show(failure->message);
        return false;
    }
    return true;
}

std::optional<std::string> CliPrompter::savePath(const std::string&, const std::string&, const std::string&) {
    return std::nullopt;
}

}  // namespace mv::cli
