#pragma once

#include "base/form.h"

#include <QDialog>

#include <cstddef>
#include <map>

class QButtonGroup;
class QWidget;

namespace mv {

// A parameter dialog built from a Form: a label and an edit per field (or a check box or radio
// button), group
// boxes from the form's static texts, tab order in exchange order, and the toggled fields enabled
// by their check boxes. OK validates like the dialog framework: the first failing field's message
// is shown, the focus goes into that field, and the dialog stays open. Only an accepted dialog
// writes the entries back into the form.
class FormDialog : public QDialog {
    Q_OBJECT
public:
    FormDialog(Form& form, QWidget* parent = nullptr);

    // The widget of a field (QLineEdit, QCheckBox or QRadioButton), also found by the object name
    // "field<id>".
    QWidget* fieldWidget(int id) const;

    void accept() override;

private:
    void build();
    void buildUserElement();
    QWidget* makeFieldWidget(const Field& f);
    void readInto(Form& form) const;
    void applyToggles();
    void focusToggledFields(int checkId);

    Form& form_;
    std::map<int, QWidget*> widgets_;
    std::map<std::ptrdiff_t, QButtonGroup*> radioGroups_;
};

// Object name of a field's widget.
QString fieldObjectName(int id);

}  // namespace mv
