#pragma once

#include "host/registry/core/RegistryCore.h"

namespace host::registry {

// The forms in which the SQLite store matches names of keys and values: two names match when
// their forms are equal, and a form is as long as its name in UTF-16 code units.
enum class NameForm {
    // As the registry matches them: code unit by code unit, a letter and its Unicode simple case
    // folding are one where each is the other's simple upper or lower case ("Ä" and "ä", "Σ" and
    // "σ"), and every other code unit stands for itself ("ς", "ſ", "ẞ", the Kelvin and micro
    // signs, titlecase digraphs, surrogates and so letters beyond the BMP).
    Registry,
    // The form of the store's first two layouts: each code point's simple case folding.
    Folded,
};

// Writes name's form into out, which holds name.size() code units.
void nameKey(TextView name, char16_t* out, NameForm form = NameForm::Registry);
Text nameKey(TextView name, NameForm form = NameForm::Registry);

} // namespace host::registry
