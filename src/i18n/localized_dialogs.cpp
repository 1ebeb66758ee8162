#include <cstring>

#include "common/handles.h"
#include "i18n/dialog_template.h"
#include "i18n/i18n.h"

namespace {

// A localized ANSI text in UTF-16 (system ANSI code page), at most 1024 characters.
std::u16string WidenText(const char* text)
{
    wchar_t wide[kMaxTemplateTitle];
    int length = MultiByteToWideChar(CP_ACP, 0, text, -1, wide, kMaxTemplateTitle);
    if (length <= 0) {
        // Too long for the buffer: keep what fits.
        length = MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(strnlen(text, kMaxTemplateTitle)), wide,
                                     kMaxTemplateTitle);
        if (length <= 0)
            return std::u16string();
    } else {
        --length;  // the terminating zero
    }
    return std::u16string(reinterpret_cast<const char16_t*>(wide), static_cast<size_t>(length));
}

bool LookupControlTitle(void*, uint16_t controlId, std::u16string& title)
{
    char text[1024];
    if (!GetLocalizedText(controlId, text))
        return false;
    title = WidenText(text);
    return true;
}

// The resource is released when the function returns; the copy lives on.
bool CopyTemplateResource(HINSTANCE instance, LPCSTR templateName, TemplateBuffer& copy)
{
    HRSRC found = FindResourceA(instance, templateName, RT_DIALOG);
    if (!found)
        return false;
    DWORD size = SizeofResource(instance, found);
    HGLOBAL loaded = LoadResource(instance, found);
    if (!loaded || size == 0)
        return false;
    const void* data = LockResource(loaded);
    if (!data)
        return false;
    TemplateFont font;
    const TemplateFont* fontToUse = nullptr;
    if (g_localization.Font) {
        font.pointSize = static_cast<uint16_t>(g_localization.PointSize);
        font.face = WidenText(g_localization.LogFont.lfFaceName);
        fontToUse = &font;
    }
    bool copied = LocalizeTemplateBytes(static_cast<const uint8_t*>(data), size, fontToUse, LookupControlTitle,
                                        nullptr, copy);
    FreeResource(loaded);
    return copied;
}

}  // namespace

HGLOBAL LocalizeDialogTemplate(HINSTANCE instance, LPCSTR templateName)
{
    TemplateBuffer copy;
    if (!CopyTemplateResource(instance, templateName, copy))
        return nullptr;
    UniqueGlobal block(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, copy.size()));
    if (!block)
        return nullptr;
    {
        LockedGlobal lock(block.get());
        if (!lock.get())
            return nullptr;
        memcpy(lock.get(), copy.data(), copy.size());
    }
    return block.release();
}

INT_PTR LocalizedDialogBoxParam(HINSTANCE instance, LPCSTR templateName, HWND parent, DLGPROC proc, LPARAM param)
{
    UniqueGlobal block(LocalizeDialogTemplate(instance, templateName));
    LockedGlobal lock(block.get());
    if (!lock.get())
        return -1;
    return DialogBoxIndirectParamA(instance, static_cast<LPCDLGTEMPLATEA>(lock.get()), parent, proc, param);
}

INT_PTR LocalizedDialogBox(HINSTANCE instance, LPCSTR templateName, HWND parent, DLGPROC proc)
{
    return LocalizedDialogBoxParam(instance, templateName, parent, proc, 0);
}

HWND LocalizedCreateDialogParam(HINSTANCE instance, LPCSTR templateName, HWND parent, DLGPROC proc, LPARAM param)
{
    UniqueGlobal block(LocalizeDialogTemplate(instance, templateName));
    LockedGlobal lock(block.get());
    if (!lock.get())
        return nullptr;
    return CreateDialogIndirectParamA(instance, static_cast<LPCDLGTEMPLATEA>(lock.get()), parent, proc, param);
}

HWND LocalizedCreateDialog(HINSTANCE instance, LPCSTR templateName, HWND parent, DLGPROC proc)
{
    return LocalizedCreateDialogParam(instance, templateName, parent, proc, 0);
}
