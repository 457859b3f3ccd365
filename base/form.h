#pragma once

#include <optional>
#include <string>
#include <vector>

namespace mv {

enum class FieldKind { Text, Integer, Number, Check };

// One exchanged control of a parameter dialog. Edits hold their text as typed; the typed text is
// read back into a value only by validation, exactly as the dialog's data exchange would.
struct Field {
    int id = 0;
    std::string label;
    FieldKind kind = FieldKind::Text;
    std::string text;      // Text, Integer, Number: the edit's contents
    bool checked = false;  // Check
    int maxChars = 0;      // Text: 0 means no limit
    bool ranged = false;   // Integer, Number: min and max apply
    double min = 0;
    double max = 0;
    bool enabled = true;
};

// A check box that enables a group of fields while it is ticked.
struct Toggle {
    int checkId = 0;
    std::vector<int> fieldIds;
};

// A parameter dialog as data: caption, static texts and fields in exchange order. The desktop
// builds widgets from it, the command line fills it from arguments, both validate it the same way.
struct Form {
    int resourceId = 0;
    int subject = 0;  // what the form asks about when one resource serves several (a user element)
    std::string caption;
    std::vector<std::string> texts;
    std::vector<Field> fields;  // exchange order: read and validated in this order on OK
    std::vector<Toggle> toggles;
    // Check fields shown as a radio group: exactly one of each group is ticked.
    std::vector<std::vector<int>> radioGroups;

    Field& field(int id);
    const Field& field(int id) const;
    Field* find(int id);
    const Field* find(int id) const;

    // Enabled state of toggled fields from their check boxes, as on opening and on each click.
    void applyToggles();

    // Typed values; valid only after validateForm accepted the form.
    int intValue(int id) const;
    double numberValue(int id) const;
    const std::string& textValue(int id) const;
    bool checkValue(int id) const;

    void setInt(int id, long long value);
    void setNumber(int id, double value);
    void setText(int id, const std::string& value);
    void setCheck(int id, bool value);
};

struct ValidationFailure {
    int fieldId = 0;
    std::string message;
};

// The dialog framework's validation on OK: fields in exchange order, the first failure stops.
// Disabled fields are exchanged and validated too, as the framework does.
std::optional<ValidationFailure> validateForm(const Form& form);

// Readers shared by validation and the front ends: C-locale, surrounding blanks allowed, nothing
// else around the number. An integer must fit 32 bits; a number must be finite.
std::optional<int> parseIntegerText(const std::string& text);
std::optional<double> parseNumberText(const std::string& text);

// How the framework shows a number in its messages ("%.15g").
std::string formatFrameworkNumber(double value);

}  // namespace mv
