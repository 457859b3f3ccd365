#pragma once

#include "base/form.h"
#include "base/prompter.h"

namespace mv {

// Where the next user element's heavy isotopes and abundances go in the element table.
struct UserElementCursors {
    int heavy = 204;
    int abundance = 266;
};

// The user-element dialog for element (84..89) in its delta-mass form (components off) or its
// accurate-mass form (components on), with all values 0 and the title for that element.
Form userElementForm(int element, bool accurateMass);

// Asks for the isotope data of a user element through the prompter's form, checks it and writes
// it into the element table at the cursors, which advance. False after Cancel or a refusal
// (its message already shown).
bool enterUserElement(int element, bool listComponentsOption, UserElementCursors& cursors, Prompter& prompter);

}  // namespace mv
