#pragma once

// What the fuzz targets share: a prompter that answers like the command line and counts what it
// showed, and a check that stops the run loudly when an invariant breaks.

#include "base/form.h"
#include "base/prompter.h"

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

namespace mv::fuzz {

[[noreturn]] inline void fail(const char* what, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: invariant broken: %s\n", file, line, what);
    std::abort();
}

#define FUZZ_CHECK(cond)                                       \
    do {                                                       \
        if (!(cond)) ::mv::fuzz::fail(#cond, __FILE__, __LINE__); \
    } while (0)

// Nobody answers: Retry/Cancel is Cancel, Yes/No is No, there is no save dialog. A form is filled
// by fillForm; when strict, an invalid form counts as Cancel, as a real dialog never returns OK
// with invalid fields, otherwise it is handed back as it stands so that a caller's own check runs.
class CountingPrompter : public Prompter {
public:
    int shown = 0;
    bool strict = true;
    std::function<void(Form&)> fillForm;

    void message(const std::string& text) override { note(text); }
    bool retryCancel(const std::string& text) override {
        note(text);
        return false;
    }
    bool yesNo(const std::string& text) override {
        note(text);
        return false;
    }
    bool runForm(Form& form) override {
        if (fillForm) fillForm(form);
        return !strict || !validateForm(form);
    }
    std::optional<std::string> savePath(const std::string&, const std::string&, const std::string&) override {
        return std::nullopt;
    }

private:
    void note(const std::string& text) {
        FUZZ_CHECK(!text.empty());
        ++shown;
    }
};

}  // namespace mv::fuzz
