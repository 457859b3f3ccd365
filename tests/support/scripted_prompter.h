#pragma once

#include "base/form.h"
#include "base/prompter.h"

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace mv::test {

// A prompter whose answers are scripted and which remembers everything it was shown.
class ScriptedPrompter : public Prompter {
public:
    std::vector<std::string> messages;      // every text shown, in order, whatever the box
    std::deque<bool> retryAnswers;          // answers to Retry/Cancel boxes (default: Cancel)
    std::deque<bool> yesNoAnswers;          // answers to Yes/No boxes (default: No)
    std::deque<std::optional<std::string>> savePaths;  // answers to save dialogs (default: Cancel)
    // Fills a shown form; returning false is Cancel. Default: OK with the pre-filled values.
    std::function<bool(Form&)> fillForm;
    std::vector<Form> formsShown;           // each form as it was pre-filled
    std::vector<std::string> validationMessages;

    void message(const std::string& text) override { messages.push_back(text); }
    bool retryCancel(const std::string& text) override {
        messages.push_back(text);
        return pop(retryAnswers, false);
    }
    bool yesNo(const std::string& text) override {
        messages.push_back(text);
        return pop(yesNoAnswers, false);
    }
    bool runForm(Form& form) override {
        formsShown.push_back(form);
        if (fillForm && !fillForm(form)) return false;
        if (auto failure = validateForm(form)) {
            // A real dialog would stay open; a script that leaves the form invalid cancels.
            validationMessages.push_back(failure->message);
            return false;
        }
        return true;
    }
    std::optional<std::string> savePath(const std::string& defaultName, const std::string&, const std::string&) override {
        messages.push_back("save dialog: " + defaultName);
        if (savePaths.empty()) return std::nullopt;
        auto p = savePaths.front();
        savePaths.pop_front();
        return p;
    }

private:
    template <typename T>
    static T pop(std::deque<T>& q, T fallback) {
        if (q.empty()) return fallback;
        T v = q.front();
        q.pop_front();
        return v;
    }
};

}  // namespace mv::test
