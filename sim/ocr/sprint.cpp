// "Sprint.exe": the OCR application. Started as
//   Sprint.exe "<image>" /out <document>   writes the page's text as an RTF document
//   Sprint.exe "<image>" /send MSExcel     writes a worksheet beside the image and
//                                          opens it in the registered Excel
// and ends when the document is written. Exit code 0 when it was, 1 otherwise.
#include <windows.h>

#include <string>

#include "command_line.h"
#include "document.h"
#include "recognise.h"

namespace {

// The worksheet of send mode: the image's name with the extension ".xls".
std::string WorksheetBeside(const std::string& image)
{
    size_t dot = image.find_last_of(".\\");
    std::string base = dot != std::string::npos && image[dot] == '.' ? image.substr(0, dot) : image;
    return base + ".xls";
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    const char* rest = ArgumentsOf(GetCommandLineA());
    const std::string image = TakeWord(&rest);
    const std::string mode = TakeWord(&rest);
    if (image.empty())
        return 1;
    if (lstrcmpiA(mode.c_str(), "/out") == 0) {
        const std::string document = RestAsPath(rest);
        if (document.empty())
            return 1;
        const std::vector<std::wstring> text = DocumentText(RecognisePage(image.c_str()));
        const bool written = IsXlsPath(document.c_str()) ? WriteXlsDocument(document.c_str(), text)
                                                         : WriteRtfDocument(document.c_str(), text);
        return written ? 0 : 1;
    }
    if (lstrcmpiA(mode.c_str(), "/send") == 0 && lstrcmpiA(RestAsPath(rest).c_str(), "MSExcel") == 0) {
        const std::string worksheet = WorksheetBeside(image);
        if (!WriteXlsDocument(worksheet.c_str(), DocumentText(RecognisePage(image.c_str()))))
            return 1;
        OpenWithRegisteredProgram("excel.exe", worksheet.c_str());
        return 0;
    }
    return 1;
}
