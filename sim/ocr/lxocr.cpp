// "LxOcr.exe": the OCR engine of the Chinese languages, in the scanner software's
// "OcrDrv\" folder. Started as LxOcr.exe /d=<settings file>; the settings file
// ("LxOcr.ini") names the image, the document and its type. With "ShowResult" 1 it
// presents the result itself: the document opens in the registered Word or Excel.
// Exit code 0 when the document was written, 1 otherwise.
#include <windows.h>

#include <string>

#include "command_line.h"
#include "document.h"
#include "recognise.h"

namespace {

std::string ReadSetting(const std::string& settings, const char* section, const char* key)
{
    char value[MAX_PATH] = {};
    GetPrivateProfileStringA(section, key, "", value, sizeof value, settings.c_str());
    return value;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    const char* rest = ArgumentsOf(GetCommandLineA());
    if (_strnicmp(rest, "/d=", 3) != 0)
        return 1;
    const std::string settings = RestAsPath(rest + 3);
    const std::string image = ReadSetting(settings, "File Name", "Input");
    const std::string document = ReadSetting(settings, "File Name", "Output");
    const bool xls = lstrcmpiA(ReadSetting(settings, "File Type", "Output").c_str(), "XLS") == 0;
    if (image.empty() || document.empty())
        return 1;
    const std::vector<std::wstring> text = DocumentText(RecognisePage(image.c_str()));
    if (!(xls ? WriteXlsDocument(document.c_str(), text) : WriteRtfDocument(document.c_str(), text)))
        return 1;
    if (ReadSetting(settings, "Application", "ShowResult") == "1")
        OpenWithRegisteredProgram(xls ? "excel.exe" : "winword.exe", document.c_str());
    return 0;
}
