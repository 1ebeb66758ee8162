// Dialog templates walked as bytes: a localized copy and the reader, fed with
// arbitrary bytes. A copy that succeeds must read back as a template with the font
// and titles it was given.
#include <cstddef>
#include <cstdint>

#include "i18n/dialog_template.h"

namespace {

bool LongTitle(void* context, uint16_t controlId, std::u16string& title)
{
    auto* calls = static_cast<int*>(context);
    ++*calls;
    if (controlId % 3 == 0)
        return false;
    title.assign(controlId % 2 ? kMaxTemplateTitle + 8 : 3, u'\u00e9');
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TemplateInfo original;
    bool readable = ReadDialogTemplate(data, size, original);

    TemplateFont font{9, u"Tahoma"};
    int calls = 0;
    TemplateBuffer copy;
    if (!LocalizeTemplateBytes(data, size, &font, LongTitle, &calls, copy))
        return 0;
    TemplateInfo localized;
    if (!ReadDialogTemplate(copy.data(), copy.size(), localized) || !localized.hasFont || localized.face != font.face)
        __builtin_trap();
    if (readable && localized.controls.size() != original.controls.size())
        __builtin_trap();
    return 0;
}
