#include <gtest/gtest.h>

#include "shell/launch.h"

namespace {

std::string EventText(const wchar_t* name)
{
    char text[kEventTextSize];
    EventTextFromName(name, text);
    return text;
}

std::wstring Switch(const wchar_t* commandLine, const wchar_t* name, size_t size = 128)
{
    wchar_t value[128] = L"unchanged";
    if (!FindLaunchSwitch(commandLine, name, value, size))
        return L"<none>";
    return value;
}

}  // namespace

TEST(LaunchEvent, ButtonGuidsMapToCodesInTableOrder)
{
    EXPECT_EQ(ButtonCodeFromEventText("{7f951c8d-e5bd-4b66-b634-f5b8917a3007}"), 1u);
    EXPECT_EQ(ButtonCodeFromEventText("{c2bcf5ad-bbd9-45d5-bfe1-241ac30d5859}"), 2u);
    EXPECT_EQ(ButtonCodeFromEventText("{a2c255b3-8b3e-42a3-a026-00a7b6d99338}"), 4u);
    EXPECT_EQ(ButtonCodeFromEventText("{9a1d4274-8243-46df-bb09-3f888dc78046}"), 8u);
    EXPECT_EQ(ButtonCodeFromEventText(""), 0u);
    // The comparison is exact: no prefix, no braces missing, no trailing blank.
    EXPECT_EQ(ButtonCodeFromEventText("{7f951c8d-e5bd-4b66-b634-f5b8917a3007} "), 0u);
    EXPECT_EQ(ButtonCodeFromEventText("7f951c8d-e5bd-4b66-b634-f5b8917a3007"), 0u);
    // Upper case only matches after the event text has been lower-cased.
    EXPECT_EQ(ButtonCodeFromEventText("{C2BCF5AD-BBD9-45D5-BFE1-241AC30D5859}"), 0u);
}

TEST(LaunchEvent, EventNameIsLowerCasedAndCut)
{
    std::string text = EventText(L"{C2BCF5AD-BBD9-45D5-BFE1-241AC30D5859}");
    EXPECT_EQ(text, "{c2bcf5ad-bbd9-45d5-bfe1-241ac30d5859}");
    EXPECT_EQ(ButtonCodeFromEventText(text.c_str()), 2u);

    std::wstring longName(200, L'A');
    text = EventText(longName.c_str());
    EXPECT_EQ(text, std::string(kEventTextSize - 1, 'a'));
    EXPECT_EQ(EventText(L""), "");
}

TEST(LaunchEvent, ShowMatchesOnlyTheExactCommand)
{
    EXPECT_TRUE(IsShowCommand("/SHOW"));
    EXPECT_FALSE(IsShowCommand("/show"));
    EXPECT_FALSE(IsShowCommand("/SHOW "));
    EXPECT_FALSE(IsShowCommand(" /SHOW"));
    EXPECT_FALSE(IsShowCommand(""));
    EXPECT_FALSE(IsShowCommand(nullptr));
}

TEST(LaunchSwitches, FindsTheServiceSwitches)
{
    const wchar_t* line = L"C:\\Tornel.exe /StiDevice:{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}\\0000 "
                          L"/StiEvent:{C2BCF5AD-BBD9-45D5-BFE1-241AC30D5859}";
    EXPECT_EQ(Switch(line, L"StiEvent"), L"{C2BCF5AD-BBD9-45D5-BFE1-241AC30D5859}");
    EXPECT_EQ(Switch(line, L"StiDevice"), L"{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}\\0000");
}

TEST(LaunchSwitches, OddCommandLines)
{
    EXPECT_EQ(Switch(L"", L"StiEvent"), L"<none>");
    EXPECT_EQ(Switch(L"/SHOW", L"StiEvent"), L"<none>");
    // Switch names are matched without regard to case; values keep theirs.
    EXPECT_EQ(Switch(L"x.exe /stievent:{AbC}", L"StiEvent"), L"{AbC}");
    // A longer name is another switch; a missing colon or value is no switch.
    EXPECT_EQ(Switch(L"x.exe /StiEventX:{1}", L"StiEvent"), L"<none>");
    EXPECT_EQ(Switch(L"x.exe /StiEvent {1}", L"StiEvent"), L"<none>");
    EXPECT_EQ(Switch(L"x.exe /StiEvent:", L"StiEvent"), L"<none>");
    // Quoted tokens and quoted values lose their quotes; blanks and tabs separate.
    EXPECT_EQ(Switch(L"\"C:\\Program Files\\Tornel.exe\"\t\"/StiEvent:{1 2}\"", L"StiEvent"), L"{1 2}");
    EXPECT_EQ(Switch(L"x.exe /StiEvent:\"{9}\"  /StiDevice:d", L"StiEvent"), L"{9}");
    // A value longer than the buffer is cut, never overrun.
    EXPECT_EQ(Switch(L"x.exe /StiEvent:0123456789", L"StiEvent", 5), L"0123");
    // A path that merely contains the switch text is not the switch.
    EXPECT_EQ(Switch(L"C:\\dir/StiEvent:{1}\\x.exe", L"StiEvent"), L"<none>");
}
