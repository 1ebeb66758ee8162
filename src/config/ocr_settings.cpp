// "LxOcr.ini": the job description that the OCR engine reads, in the engine's own
// folder, written entry by entry before the engine is started.
#include <windows.h>

#include <cstring>

#include "common/strings.h"
#include "config/config.h"

namespace {

struct Entry {
    const char* section;
    const char* key;
    const char* value;
};

// The languages the engine reads as its main language; any other is a foreign
// language next to English.
bool IsEngineLanguage(const char* name)
{
    return strcmp(name, "Japanese") == 0 || strcmp(name, "Traditional Chinese") == 0 ||
           strcmp(name, "Simplified Chinese") == 0;
}

}  // namespace

bool WriteOcrSettings(const OcrSettings& settings, const char* settingsPath)
{
    char window[16];
    FormatString(window, "%lu", static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(settings.notifyWindow)));
    const bool engineLanguage = IsEngineLanguage(settings.languageName);
    const Entry entries[] = {
        {"Application", "hWnd", window},
        {"Application", "Message", "1044"},
        {"Application", "Success", "1"},
        {"Application", "Fail", "0"},
        {"Application", "ShowUI", "1"},
        {"Application", "ShowMessage", "1"},
        {"Application", "ShowResult", settings.sendMode ? "1" : "0"},
        {"File Name", "Input", settings.imagePath},
        {"File Name", "Output", settings.documentPath},
        {"File Type", "Output", settings.fileType},
        {"File Type", "LineFeed", "0"},
        {"Message String", "CaptionOfAbout", "About Ocrivo"},
        {"Message String", "CaptionOfMeter", "OCR processing......"},
        {"Message String", "ProductName", "Ocrivo OCR V4.0"},
        {"Message String", "NameOfDAD", "TAVEN"},
        {"Message String", "WEBserver", "http://www.taven.example/"},
        {"Message String", "LoadImage", "Load image......"},
        {"Message String", "Segment", "Segmention......"},
        {"Message String", "LoadDbs", "Load database......"},
        {"Message String", "SaveImage", "Save image......"},
        {"Message String", "Rotation", "Rotate image......"},
        {"Message String", "Recognize", "Recognition......"},
        {"Message String", "PostProcess", "Post Processing......"},
        {"Message String", "SaveResult", "Save result......"},
        {"Message String", "Deskew", "Deskew image......"},
        {"Attribute", "Content", "Mixed"},
        {"Attribute", "Direction", "Auto"},
        {"Attribute", "FormType", "Auto"},
        {"Attribute", "Language", engineLanguage ? settings.languageName : "English"},
        {"Attribute", "ForeignLanguage", engineLanguage ? "ENGLISH" : settings.languageName},
        {"Attribute", "DataType", engineLanguage ? "KAD" : "AD"},
    };
    bool written = true;
    for (const Entry& entry : entries) {
        if (!WritePrivateProfileStringA(entry.section, entry.key, entry.value, settingsPath))
            written = false;
    }
    return written;
}
