#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "i18n/dialog_template.h"
#include "i18n/i18n.h"
#include "i18n_test_ids.h"
#include "i18n_test_util.h"

namespace {

std::u16string U16(const char* text)
{
    std::u16string out;
    for (; *text; ++text)
        out.push_back(static_cast<char16_t>(static_cast<unsigned char>(*text)));
    return out;
}

const uint8_t* Bytes(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }

TemplateInfo ReadInfo(const uint8_t* data, size_t size)
{
    TemplateInfo info;
    EXPECT_TRUE(ReadDialogTemplate(data, size, info));
    return info;
}

const TemplateControl* ControlById(const TemplateInfo& info, uint16_t id)
{
    for (const TemplateControl& control : info.controls) {
        if (control.id == id)
            return &control;
    }
    return nullptr;
}

// The localized copy of a template linked into the test program, read back.
TemplateInfo LocalizedInfo(int templateId)
{
    HGLOBAL block = LocalizeDialogTemplate(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId));
    EXPECT_NE(block, nullptr);
    if (!block)
        return TemplateInfo();
    TemplateInfo info;
    auto* data = static_cast<const uint8_t*>(GlobalLock(block));
    EXPECT_TRUE(ReadDialogTemplate(data, GlobalSize(block), info));
    GlobalUnlock(block);
    GlobalFree(block);
    return info;
}

bool LookupNothing(void*, uint16_t, std::u16string&) { return false; }

bool LookupId(void*, uint16_t id, std::u16string& title)
{
    title = U16(("T" + std::to_string(id)).c_str());
    return true;
}

INT_PTR CALLBACK QuietDialog(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

// Ends at once with its creation parameter when the localized label arrived.
INT_PTR CALLBACK EndAtOnce(HWND dialog, UINT message, WPARAM, LPARAM lParam)
{
    if (message != WM_INITDIALOG)
        return FALSE;
    char text[32] = "";
    GetDlgItemTextA(dialog, 11243, text, sizeof text);
    EndDialog(dialog, lstrcmpA(text, "Plus") == 0 ? lParam : -2);
    return TRUE;
}

BOOL CALLBACK CollectName(HMODULE, LPCSTR, LPSTR name, LONG_PTR list)
{
    if (IS_INTRESOURCE(name))
        reinterpret_cast<std::vector<LPSTR>*>(list)->push_back(name);
    return TRUE;
}

}  // namespace

// ---- The walker on templates compiled by windres --------------------------------------

TEST(TemplateWalker, CopyWithoutChangesEqualsTheTemplate)
{
    for (int id : {IDD_TEST_LABELS, IDD_TEST_NO_FONT, IDD_TEST_LARGE}) {
        const std::string original = ResourceBytes(id, RT_DIALOG);
        ASSERT_FALSE(original.empty()) << id;
        TemplateBuffer copy;
        ASSERT_TRUE(LocalizeTemplateBytes(Bytes(original), original.size(), nullptr, LookupNothing, nullptr, copy));
        ASSERT_LE(copy.size(), original.size());
        EXPECT_GE(copy.size() + 3, original.size());  // at most the resource's own end padding
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(copy.data()), copy.size()),
                  original.substr(0, copy.size()))
            << id;
    }
}

TEST(TemplateWalker, ReplacesTheFontAndTitlesOfButtonsAndStaticsOnly)
{
    const std::string original = ResourceBytes(IDD_TEST_LABELS, RT_DIALOG);
    TemplateFont font{10, U16("Courier New")};
    TemplateBuffer copy;
    ASSERT_TRUE(LocalizeTemplateBytes(Bytes(original), original.size(), &font, LookupId, nullptr, copy));
    TemplateInfo before = ReadInfo(Bytes(original), original.size());
    TemplateInfo after = ReadInfo(copy.data(), copy.size());
    EXPECT_EQ(after.style, before.style);
    EXPECT_EQ(after.pointSize, 10);
    EXPECT_EQ(after.face, U16("Courier New"));
    ASSERT_EQ(after.controls.size(), before.controls.size());
    for (size_t i = 0; i < after.controls.size(); ++i) {
        const TemplateControl& was = before.controls[i];
        const TemplateControl& now = after.controls[i];
        EXPECT_EQ(now.id, was.id);
        EXPECT_EQ(now.style, was.style);
        EXPECT_EQ(now.classOrdinal, was.classOrdinal);
        if (IsLocalizedClassOrdinal(was.classOrdinal))
            EXPECT_EQ(now.title, U16(("T" + std::to_string(was.id)).c_str())) << was.id;
        else
            EXPECT_EQ(now.title, was.title) << was.id;
    }
}

TEST(TemplateWalker, AddsTheFontToATemplateWithoutOne)
{
    const std::string original = ResourceBytes(IDD_TEST_NO_FONT, RT_DIALOG);
    TemplateInfo before = ReadInfo(Bytes(original), original.size());
    ASSERT_FALSE(before.hasFont);
    TemplateFont font{9, U16("Tahoma")};
    TemplateBuffer copy;
    ASSERT_TRUE(LocalizeTemplateBytes(Bytes(original), original.size(), &font, LookupNothing, nullptr, copy));
    TemplateInfo after = ReadInfo(copy.data(), copy.size());
    EXPECT_TRUE(after.hasFont);
    EXPECT_EQ(after.style, before.style | kTemplateSetFont);
    EXPECT_EQ(after.pointSize, 9);
    EXPECT_EQ(after.face, U16("Tahoma"));
    EXPECT_EQ(after.title, U16("No font"));
    ASSERT_EQ(after.controls.size(), 3u);
    EXPECT_EQ(after.controls[1].titleOrdinal, 32512);  // icon title kept as an ordinal
}

TEST(TemplateWalker, TitlesAreCutAtTheirLimit)
{
    const std::string original = ResourceBytes(IDD_TEST_LABELS, RT_DIALOG);
    auto longTitle = [](void*, uint16_t, std::u16string& title) {
        title.assign(5000, u'x');
        return true;
    };
    TemplateBuffer copy;
    ASSERT_TRUE(LocalizeTemplateBytes(Bytes(original), original.size(), nullptr, longTitle, nullptr, copy));
    TemplateInfo after = ReadInfo(copy.data(), copy.size());
    EXPECT_EQ(after.controls[0].title.size(), kMaxTemplateTitle);
}

// A template cut anywhere yields no copy, and the walker never reads past the cut:
// the bytes end right before a page that cannot be read.
TEST(TemplateWalker, TruncatedTemplatesYieldNoCopyAndNoReadPastTheEnd)
{
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    const size_t page = system.dwPageSize;
    auto* region = static_cast<uint8_t*>(VirtualAlloc(nullptr, 2 * page, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    ASSERT_NE(region, nullptr);
    DWORD old;
    ASSERT_TRUE(VirtualProtect(region + page, page, PAGE_NOACCESS, &old));
    TemplateFont font{10, U16("Courier New")};
    for (int id : {IDD_TEST_LABELS, IDD_TEST_NO_FONT, IDD_TEST_LARGE}) {
        const std::string original = ResourceBytes(id, RT_DIALOG);
        ASSERT_LT(original.size(), page);
        TemplateBuffer whole;
        ASSERT_TRUE(LocalizeTemplateBytes(Bytes(original), original.size(), &font, LookupId, nullptr, whole));
        // The last control's data word ends the template; only end padding may follow.
        for (size_t size = 0; size + 3 < original.size(); ++size) {
            uint8_t* start = region + page - size;
            memcpy(start, original.data(), size);
            TemplateBuffer copy;
            EXPECT_FALSE(LocalizeTemplateBytes(start, size, &font, LookupId, nullptr, copy)) << id << " cut at " << size;
            EXPECT_EQ(copy.size(), 0u);
            TemplateInfo info;
            EXPECT_FALSE(ReadDialogTemplate(start, size, info));
        }
    }
    VirtualFree(region, 0, MEM_RELEASE);
}

TEST(TemplateWalker, ControlCountBeyondTheDataYieldsNoCopy)
{
    std::string original = ResourceBytes(IDD_TEST_NO_FONT, RT_DIALOG);
    original[8] = static_cast<char>(200);  // number of controls
    TemplateBuffer copy;
    EXPECT_FALSE(LocalizeTemplateBytes(Bytes(original), original.size(), nullptr, LookupNothing, nullptr, copy));
    // An unterminated title runs to the end.
    std::string unterminated(18, '\0');
    unterminated += std::string("\0\0\0\0A\0B\0C\0", 10);
    EXPECT_FALSE(LocalizeTemplateBytes(Bytes(unterminated), unterminated.size(), nullptr, LookupNothing, nullptr, copy));
}

TEST(TemplateWalker, StringOrOrdinalLengths)
{
    const uint16_t ordinal[] = {0xFFFF, 0x0082};
    const uint16_t text[] = {'a', 'b', 0};
    const uint16_t open[] = {'a', 'b'};
    EXPECT_EQ(StringOrOrdinalWords(ordinal, 2), 2u);
    EXPECT_EQ(StringOrOrdinalWords(ordinal, 1), 0u);
    EXPECT_EQ(StringOrOrdinalWords(text, 3), 3u);
    EXPECT_EQ(StringOrOrdinalWords(open, 2), 0u);
    EXPECT_TRUE(IsLocalizedClassOrdinal(0x0080));
    EXPECT_TRUE(IsLocalizedClassOrdinal(0x0082));
    EXPECT_FALSE(IsLocalizedClassOrdinal(0x0085));  // combo box
    EXPECT_FALSE(IsLocalizedClassOrdinal(0x0081));  // edit
}

// ---- Localized templates of the running module ----------------------------------------

TEST(LocalizedTemplates, LabelsAndButtonsGetTheirTextsCombosAndPlainIdsDoNot)
{
    LocalizationFolder folder;
    ASSERT_EQ(folder.Load("DlgDocType Type of original:\nDlgResolution Dots:\nDlgBrightness Light:\n"
                          "DlgAdd Add it\nDlgButtonOK Fine\nBrowse Look\n"),
              1);
    TemplateInfo info = LocalizedInfo(IDD_TEST_LABELS);
    ASSERT_EQ(info.controls.size(), 8u);
    EXPECT_EQ(ControlById(info, 11238)->title, U16("Type of original:"));
    EXPECT_EQ(ControlById(info, 11239)->title, U16("Dots:"));
    EXPECT_EQ(ControlById(info, 11240)->title, U16(""));  // combo box: unchanged
    EXPECT_EQ(ControlById(info, 11243)->title, U16("Add it"));
    EXPECT_EQ(ControlById(info, 11332)->title, U16("Fine"));
    EXPECT_EQ(ControlById(info, IDC_TEST_PLAIN)->title, U16("Plain"));
    EXPECT_EQ(ControlById(info, 0xFFFF)->title, U16("Static"));
    EXPECT_EQ(ControlById(info, 11305)->title, U16(""));  // edit: unchanged
    EXPECT_EQ(info.face, U16("MS Sans Serif"));
    EXPECT_EQ(info.pointSize, 8);
}

TEST(LocalizedTemplates, OrdinalTitleWithoutTextStaysAnOrdinal)
{
    LocalizationFolder folder;
    ASSERT_EQ(folder.Load("NoDevice No scanner\n"), 1);
    TemplateInfo info = LocalizedInfo(IDD_TEST_NO_FONT);
    EXPECT_EQ(ControlById(info, 11310)->titleOrdinal, 32512);
    EXPECT_EQ(ControlById(info, 11308)->title, U16("No scanner"));  // a static with a text gets it
    EXPECT_TRUE(info.hasFont);
}

TEST(LocalizedTemplates, WithoutALocalizedFontTheCopyEqualsTheTemplate)
{
    LocalizationFolder folder;  // nothing loaded: no font, no texts
    for (int id : {IDD_TEST_LABELS, IDD_TEST_NO_FONT, IDD_TEST_LARGE}) {
        const std::string original = ResourceBytes(id, RT_DIALOG);
        HGLOBAL block = LocalizeDialogTemplate(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id));
        ASSERT_NE(block, nullptr);
        std::string copy(static_cast<const char*>(GlobalLock(block)), GlobalSize(block));
        GlobalUnlock(block);
        GlobalFree(block);
        ASSERT_LE(copy.size(), original.size());
        EXPECT_EQ(copy.substr(0, copy.size()), original.substr(0, copy.size())) << id;
    }
}

TEST(LocalizedTemplates, EveryDialogOfTheProgramLocalizes)
{
    LocalizationFolder folder;
    ASSERT_EQ(folder.Load(ResourceBytes(IDR_LOC_ENGLISH, RT_RCDATA)), 1);
    std::vector<LPSTR> names;
    EnumResourceNamesA(GetModuleHandleA(nullptr), RT_DIALOG, CollectName, reinterpret_cast<LONG_PTR>(&names));
    ASSERT_GE(names.size(), 3u);
    for (LPSTR name : names) {
        const std::string original = ResourceBytes(static_cast<int>(reinterpret_cast<uintptr_t>(name)), RT_DIALOG);
        TemplateInfo before = ReadInfo(Bytes(original), original.size());
        TemplateInfo after = LocalizedInfo(static_cast<int>(reinterpret_cast<uintptr_t>(name)));
        EXPECT_EQ(after.controls.size(), before.controls.size());
        EXPECT_EQ(after.face, U16("MS Sans Serif"));
        EXPECT_TRUE(after.hasFont);
    }
}

TEST(LocalizedTemplates, MissingTemplateYieldsNoDialog)
{
    LocalizationFolder folder;
    HINSTANCE module = GetModuleHandleA(nullptr);
    EXPECT_EQ(LocalizeDialogTemplate(module, MAKEINTRESOURCEA(4242)), nullptr);
    EXPECT_EQ(LocalizedDialogBox(module, MAKEINTRESOURCEA(4242), nullptr, QuietDialog), -1);
    EXPECT_EQ(LocalizedDialogBoxParam(module, MAKEINTRESOURCEA(4242), nullptr, QuietDialog, 7), -1);
    EXPECT_EQ(LocalizedCreateDialog(module, MAKEINTRESOURCEA(4242), nullptr, QuietDialog), nullptr);
}

// ---- Dialogs created from localized templates --------------------------------------

TEST(LocalizedDialogs, CreatedInTheFaceAndSizeTheFileNames)
{
    LocalizationFolder folder;
    ASSERT_EQ(folder.Load("DlgLocalFont Courier New\nDlgLocalFontSize 10\nDlgDocType Kind:\nDlgAdd Plus\n"), 1);
    HWND dialog = LocalizedCreateDialog(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_TEST_LABELS), nullptr,
                                        QuietDialog);
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(IsWindowVisible(dialog));
    auto font = reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0));
    ASSERT_NE(font, nullptr);
    LOGFONTA logFont = {};
    ASSERT_EQ(GetObjectA(font, sizeof logFont, &logFont), static_cast<int>(sizeof logFont));
    EXPECT_STREQ(logFont.lfFaceName, "Courier New");
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(logFont.lfHeight, -MulDiv(10, dpi, 72));

    char text[64];
    GetDlgItemTextA(dialog, 11238, text, sizeof text);
    EXPECT_STREQ(text, "Kind:");
    GetDlgItemTextA(dialog, 11243, text, sizeof text);
    EXPECT_STREQ(text, "Plus");
    GetDlgItemTextA(dialog, IDC_TEST_PLAIN, text, sizeof text);
    EXPECT_STREQ(text, "Plain");
    EXPECT_TRUE(DestroyWindow(dialog));
}

TEST(LocalizedDialogs, ModalEntryPointsPassTheParameterAndReturnTheResult)
{
    LocalizationFolder folder;
    ASSERT_EQ(folder.Load("DlgAdd Plus\n"), 1);
    HINSTANCE module = GetModuleHandleA(nullptr);
    EXPECT_EQ(LocalizedDialogBoxParam(module, MAKEINTRESOURCEA(IDD_TEST_LABELS), nullptr, EndAtOnce, 77), 77);
    EXPECT_EQ(LocalizedDialogBox(module, MAKEINTRESOURCEA(IDD_TEST_LABELS), nullptr, EndAtOnce), 0);
    HWND modeless = LocalizedCreateDialogParam(module, MAKEINTRESOURCEA(IDD_TEST_LARGE), nullptr, QuietDialog, 5);
    ASSERT_NE(modeless, nullptr);
    DestroyWindow(modeless);
}
