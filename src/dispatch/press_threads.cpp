// A press or a re-send that the window starts runs on a thread of its own, as the
// engine's button thread runs one: its hand-off may wait for a mail program or show a
// message while the window goes on answering.
#include <windows.h>

#include "common/handles.h"
#include "dispatch/dispatch.h"

namespace {

template <int (*Run)(int)>
DWORD WINAPI PressThread(LPVOID parameter)
{
    Run(static_cast<int>(reinterpret_cast<INT_PTR>(parameter)));
    return 0;
}

// Without a thread the press is lost, as one the engine drops; the handle is not needed.
template <int (*Run)(int)>
void StartPressThread(int value)
{
    UniqueHandle thread(
        CreateThread(nullptr, 0, PressThread<Run>, reinterpret_cast<LPVOID>(static_cast<INT_PTR>(value)), 0, nullptr));
}

}  // namespace

void StartButtonDispatch(int buttonNumber) { StartPressThread<DispatchButton>(buttonNumber); }

// The re-send takes the press claim, so the teardown waits for it as for a press.
void StartResendDispatch(int functionCode) { StartPressThread<ResendLastScan>(functionCode); }
