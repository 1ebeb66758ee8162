// The sibling programs, started from the folder of the maker's installation.
#include "shell/sibling_programs.h"

#include <windows.h>

#include "common/message_box.h"
#include "common/process.h"
#include "common/strings.h"
#include "config/config.h"
#include "i18n/i18n.h"

const SiblingProgram kKelmio = {"UI_MAIN_WND", nullptr, "kelmio.exe"};
const SiblingProgram kCopier = {"Copier", "Copier", "replic32.exe"};
const SiblingProgram kScannerTest = {nullptr, "TAVEN Scanner Test Program", "probe32.exe"};

namespace {

void StartSiblingProgram(const SiblingProgram& program)
{
    char folder[260];
    if (ReadKelmioUserPath("XX", folder) == 2) {
        ShowMessage("File Error! Please reinstall your driver");
        return;
    }
    char path[MAX_PATH];
    CopyString(path, folder);
    AppendBackslash(path);
    if (!AppendString(path, program.executable) || StartProgram(path) != ERROR_SUCCESS)
        ShowStartFailure(path);
}

}  // namespace

bool SiblingWindowExists(const SiblingProgram& program)
{
    return FindWindowA(program.windowClass, program.windowTitle) != nullptr;
}

void StartSiblingUnlessRunning(const SiblingProgram& program)
{
    if (!SiblingWindowExists(program))
        StartSiblingProgram(program);
}
