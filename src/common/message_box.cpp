#include "common/message_box.h"

#include <atomic>

// Written by tests before the code under test runs; read by every showing thread.
static std::atomic<MessageBoxFunction> g_show{nullptr};

int ShowMessage(const char* text, const char* caption, UINT type)
{
    return ShowMessageOwnedBy(GetFocus(), text, caption, type);
}

int ShowMessageOwnedBy(HWND owner, const char* text, const char* caption, UINT type)
{
    MessageBoxFunction show = g_show.load();
    return (show ? show : &MessageBoxA)(owner, text, caption, type);
}

void SetMessageBoxForTests(MessageBoxFunction show) { g_show = show; }
