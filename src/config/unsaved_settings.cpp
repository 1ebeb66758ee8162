// Settings a file refused to store. A standard user cannot write the shared files in
// the Windows directory unless the setup granted it; what the program changes then
// lives here, read back by the profile helpers, until the program ends. The file on
// disk stays exactly as it was, and the user is told once.
#include <windows.h>

#include <string>
#include <vector>

#include "common/handles.h"
#include "common/paths.h"
#include "common/strings.h"
#include "config/config.h"
#include "config/unsaved_settings.h"

namespace {

struct KeptEntry {
    std::string file;  // full path
    std::string section;
    std::string key;  // empty: the whole section was deleted
    std::string value;
    bool deleted;
};

// Shared by every thread that reads or writes settings (the window thread, a job's
// dispatching thread); every field is used under Lock only.
struct UnsavedState {
    CriticalSection Lock;
    std::vector<KeptEntry> Entries;
    std::vector<std::string> RefusingFiles;  // full paths of the files that refused a write
    HWND ReportWindow = nullptr;
    UINT ReportMessage = 0;
    bool Reported = false;  // the report was posted; it is made once per run
};
UnsavedState g_unsaved;

// Files are told apart by their full path: tests move the Windows directory.
struct FullPath {
    char text[MAX_PATH];
    explicit FullPath(const char* fileName) { WindowsFilePath(text, fileName); }
};

bool SameName(const std::string& a, const char* b) { return lstrcmpiA(a.c_str(), b) == 0; }

bool Refuses(const char* fileName)
{
    for (const std::string& file : g_unsaved.RefusingFiles) {
        if (SameName(file, fileName))
            return true;
    }
    return false;
}

// The profile API reads a value without the blanks around it and without one pair
// of matching quotes; a kept value reads the same.
std::string AsRead(const char* value)
{
    std::string text(value);
    size_t begin = text.find_first_not_of(" \t");
    size_t end = text.find_last_not_of(" \t");
    text = begin == std::string::npos ? std::string() : text.substr(begin, end - begin + 1);
    if (text.size() >= 2 && (text[0] == '"' || text[0] == '\'') && text.back() == text[0])
        text = text.substr(1, text.size() - 2);
    return text;
}

void PostReportIfDue()
{
    if (g_unsaved.Reported || g_unsaved.RefusingFiles.empty() || !g_unsaved.ReportWindow)
        return;
    if (PostMessageA(g_unsaved.ReportWindow, g_unsaved.ReportMessage, 0, 0))
        g_unsaved.Reported = true;
}

void NoteRefusal(const char* fileName)
{
    if (Refuses(fileName))
        return;
    g_unsaved.RefusingFiles.emplace_back(fileName);
    PostReportIfDue();
}

void KeepSectionDeleted(const char* fileName, const char* section)
{
    std::vector<KeptEntry>& entries = g_unsaved.Entries;
    for (size_t i = entries.size(); i-- > 0;) {
        if (SameName(entries[i].file, fileName) && SameName(entries[i].section, section))
            entries.erase(entries.begin() + static_cast<std::ptrdiff_t>(i));
    }
    entries.push_back({fileName, section, "", "", true});
}

void KeepKey(const char* fileName, const char* section, const char* key, const char* value)
{
    for (KeptEntry& entry : g_unsaved.Entries) {
        if (SameName(entry.file, fileName) && SameName(entry.section, section) && SameName(entry.key, key)) {
            entry.value = value ? AsRead(value) : std::string();
            entry.deleted = value == nullptr;
            return;
        }
    }
    g_unsaved.Entries.push_back({fileName, section, key, value ? AsRead(value) : std::string(), value == nullptr});
}

}  // namespace

KeptSetting FindKeptSetting(const char* fileName, const char* section, const char* key, std::string& value)
{
    if (!section || !key)
        return KeptSetting::None;
    CriticalSectionLock held(g_unsaved.Lock.get());
    if (g_unsaved.Entries.empty())
        return KeptSetting::None;
    FullPath path(fileName);
    fileName = path.text;
    KeptSetting found = KeptSetting::None;
    for (const KeptEntry& entry : g_unsaved.Entries) {
        if (!SameName(entry.file, fileName) || !SameName(entry.section, section))
            continue;
        if (entry.key.empty()) {
            found = KeptSetting::Deleted;
        } else if (SameName(entry.key, key)) {
            if (entry.deleted)
                return KeptSetting::Deleted;
            value = entry.value;
            return KeptSetting::Value;
        }
    }
    return found;
}

bool HasKeptSettings(const char* fileName, const char* section)
{
    CriticalSectionLock held(g_unsaved.Lock.get());
    if (g_unsaved.Entries.empty())
        return false;
    FullPath path(fileName);
    fileName = path.text;
    for (const KeptEntry& entry : g_unsaved.Entries) {
        if (SameName(entry.file, fileName) && SameName(entry.section, section))
            return true;
    }
    return false;
}

void KeepWrite(const char* fileName, const char* section, const char* key, const char* value, bool written)
{
    FullPath path(fileName);
    fileName = path.text;
    CriticalSectionLock held(g_unsaved.Lock.get());
    if (written && !Refuses(fileName))
        return;
    if (!written)
        NoteRefusal(fileName);
    if (key)
        KeepKey(fileName, section, key, value);
    else
        KeepSectionDeleted(fileName, section);
}

void ReportUnsavedSettingsTo(HWND window, UINT message)
{
    CriticalSectionLock held(g_unsaved.Lock.get());
    g_unsaved.ReportWindow = window;
    g_unsaved.ReportMessage = message;
    PostReportIfDue();
}

bool GetUnsavedSettingsFile(char* out, size_t size)
{
    CriticalSectionLock held(g_unsaved.Lock.get());
    if (g_unsaved.RefusingFiles.empty()) {
        CopyString(out, size, "");
        return false;
    }
    CopyString(out, size, g_unsaved.RefusingFiles.front().c_str());
    return true;
}
