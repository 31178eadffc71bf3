#include "host/registry/sqlite/NameKey.h"

#include <unicode/uchar.h>
#include <unicode/utf16.h>

namespace host::registry {

namespace {

// ICU's case data, as Qt's: simple (one to one) mappings only, so that no form changes length.
char16_t registryForm(char16_t c)
{
    if (c < 0x80)
        return c >= u'A' && c <= u'Z' ? char16_t(c + (u'a' - u'A')) : c;
    const UChar32 folded = u_foldCase(c, U_FOLD_CASE_DEFAULT);
    if (folded == c || folded > 0xffff)
        return c;
    const bool pair = (u_tolower(c) == folded && u_toupper(folded) == c)
        || (u_toupper(c) == folded && u_tolower(folded) == c);
    return pair ? char16_t(folded) : c;
}

} // namespace

void nameKey(TextView name, char16_t* out, NameForm form)
{
    const std::size_t size = name.size();
    for (std::size_t i = 0; i < size; ++i) {
        const char16_t c = name[i];
        if (form == NameForm::Registry) {
            out[i] = registryForm(c);
        } else if (U16_IS_LEAD(c) && i + 1 < size && U16_IS_TRAIL(name[i + 1])) {
            const UChar32 folded = u_foldCase(U16_GET_SUPPLEMENTARY(c, name[i + 1]), U_FOLD_CASE_DEFAULT);
            out[i] = U16_LEAD(folded);
            out[i + 1] = U16_TRAIL(folded);
            ++i;
        } else {
            out[i] = char16_t(u_foldCase(c, U_FOLD_CASE_DEFAULT));
        }
    }
}

Text nameKey(TextView name, NameForm form)
{
    Text key(name.size(), u'\0');
    nameKey(name, key.data(), form);
    return key;
}

} // namespace host::registry
