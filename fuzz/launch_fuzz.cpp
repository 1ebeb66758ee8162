// The launch switch decoder fed with arbitrary command lines, into value buffers of
// every size the program could pass.
#include <cstddef>
#include <cstdint>
#include <cwchar>
#include <vector>

#include "shell/launch_switches.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Two bytes a character, as the command line arrives on Windows.
    std::vector<wchar_t> commandLine(size / 2 + 1, L'\0');
    for (size_t i = 0; i + 1 < size; i += 2)
        commandLine[i / 2] = static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
    const size_t valueSize = size ? 1 + data[0] % 130 : 1;
    std::vector<wchar_t> value(valueSize, L'\x7f');
    for (const wchar_t* name : {L"StiEvent", L"StiDevice", L"S", L""}) {
        if (FindLaunchSwitch(commandLine.data(), name, value.data(), value.size()) &&
            (value[0] == L'\0' || wcslen(value.data()) >= value.size()))
            __builtin_trap();  // a found value is never empty and always ends within the buffer
    }
    return 0;
}
