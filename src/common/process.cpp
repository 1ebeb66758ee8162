#include "common/process.h"

#include "common/handles.h"
#include "common/paths.h"
#include "common/strings.h"

// Two paths and the blanks and quotes around them.
constexpr size_t kCommandLineSize = 1024;

bool BuildProgramCommandLine(char* out, size_t size, const char* program, const char* arguments)
{
    if (arguments && *arguments)
        return FormatString(out, size, "\"%s\" %s", program, arguments);
    return FormatString(out, size, "\"%s\"", program);
}

// Starts the program; its process handle goes to *running.
static DWORD Launch(const char* program, const char* arguments, UniqueHandle* running)
{
    // A 64-bit system's own programs are started as they are, not their 32-bit copies.
    char native[MAX_PATH];
    if (!NativeSystemPath(native, program))
        return ERROR_FILENAME_EXCED_RANGE;
    char commandLine[kCommandLineSize];
    if (!BuildProgramCommandLine(commandLine, sizeof commandLine, native, arguments))
        return ERROR_FILENAME_EXCED_RANGE;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    // No application name: the command line's first word names the program.
    if (!CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, CREATE_DEFAULT_ERROR_MODE | NORMAL_PRIORITY_CLASS,
                        nullptr, nullptr, &startup, &process)) {
        DWORD error = GetLastError();
        return error != ERROR_SUCCESS ? error : ERROR_INVALID_FUNCTION;
    }
    UniqueHandle thread(process.hThread);
    running->reset(process.hProcess);
    return ERROR_SUCCESS;
}

DWORD StartProgram(const char* program, const char* arguments)
{
    UniqueHandle running;
    return Launch(program, arguments, &running);
}

DWORD RunProgram(const char* program, const char* arguments, DWORD waitMs)
{
    UniqueHandle running;
    DWORD result = Launch(program, arguments, &running);
    if (result == ERROR_SUCCESS)
        WaitForSingleObject(running.get(), waitMs);
    return result;
}
