#pragma once

#include "base/scan_type.h"

#include <iosfwd>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace mv::cli {

// What a calculation command's arguments say: the texts they put into the fields of the dialogs
// that the calculation shows, and how to run and print it.
struct CalcArguments {
    ScanType scan = ScanType::Regular;
    // (form resource, subject) -> (field id, text or "1"/"0" for a check box), in argument order.
    std::map<std::pair<int, int>, std::vector<std::pair<int, std::string>>> fields;
    // Option name of each (form resource, field id), to say which argument a refusal concerns.
    std::map<std::pair<int, int>, std::string> optionOf;
    // User elements' isotope data by element index: the lightest mass, then (heavy, FA) texts.
    struct UserElement {
        std::string light;
        std::vector<std::pair<std::string, std::string>> heavy;
    };
    std::map<int, UserElement> userElements;
    bool progress = true;
    std::string outputPath;  // -o FILE: write there instead of standard output
    std::string format = "data";  // --format: "data" (the data-set file) or "listing" (the view's text)
    std::string spectrum;  // --spectrum: empty, "unit" or a resolution; prints the spectrum file
    std::string exportPath;  // --export FILE.emf: also writes the plot as an enhanced metafile
    std::map<std::string, std::string> given;  // each option given, with its (last) value
};

// One option of a calculation command.
struct CalcOption {
    const char* name;       // e.g. "--charge"
    const char* valueName;  // e.g. "Z"; nullptr for a flag
    std::string help;
    // Puts the value into args; returns an error text, or an empty string when accepted.
    std::function<std::string(const std::string& value, CalcArguments& args)> apply;
    bool required = false;
};

// A calculation command's description, used for both parsing and --help.
struct CalcCommandSpec {
    const char* name;       // "regular"
    const char* synopsis;   // usage line after the command name
    const char* summary;    // one paragraph
    ScanType scan;
    int formulaForm;        // form and field the positional FORMULA fills
    int formulaField;
    std::vector<CalcOption> options;
    // Checks of the options given taken together, once all are read: an error text or empty.
    std::function<std::string(const CalcArguments&)> check;
};

// Parses the arguments, runs the calculation and prints the data-set file on out. Refusals print
// their message on err and answer kExitRefused.
int runCalcCommand(const CalcCommandSpec& cmd, const std::vector<std::string>& argv, std::ostream& out,
                   std::ostream& err);

// Tests and fuzzers only: while set, runCalcCommand answers kExitOk once every parameter has been
// accepted, just before the calculation would start, and writes nothing.
void setStopBeforeCalculation(bool stop);

// Writes a command's result to outputPath, or to out when it is empty; a failed write is reported
// on err with the file's name and answers kExitFailure.
int emit(const std::string& bytes, const std::string& outputPath, std::ostream& out, std::ostream& err);

// Option table entries. A field option puts its value into each (form, field) listed.
CalcOption fieldOption(const char* name, const char* valueName, std::string help,
                       std::vector<std::pair<int, int>> fields, bool required = false);
CalcOption chargeOption(int form, int field);
CalcOption stopOption(int form, int field);
// --components FIRST:LAST ticks the listing check box and fills the range fields.
CalcOption componentsOption(int form, int checkField, int firstField, int lastField, const char* help);
CalcOption maxIonsOption(int form, int field);
// --user-element; accurate tells whether the command may list components, where HEAVY is an exact
// mass instead of a mass-number increment.
CalcOption userElementOption(const char* where, bool componentsPossible);

// An argument as a message quotes it: a long one is cut, so that a refusal stays readable.
std::string excerpt(const std::string& text);

// Helpers for option tables.
void setField(CalcArguments& args, int form, int field, const std::string& text, const std::string& option,
              int subject = 0);
// "FIRST:LAST" into two fields; an error text when the value has no colon.
std::string setRange(CalcArguments& args, int form, int firstField, int lastField, const std::string& value,
                     const std::string& option);
// "Jx=LIGHT[,HEAVY:FA]..." into the user-element dialog of that element.
std::string setUserElement(CalcArguments& args, const std::string& value);

}  // namespace mv::cli
