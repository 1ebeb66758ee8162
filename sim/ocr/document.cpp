#include "document.h"

#include <windows.h>

#include <cstdint>
#include <cstring>

#include "common/handles.h"
#include "common/strings.h"

namespace {

// The whole document is written to a new file, then put in place: a reader that
// finds the file finds it complete.
bool WriteWholeFile(const char* path, const std::string& bytes)
{
    std::string partial = std::string(path) + ".part";
    {
        UniqueFile file(CreateFileA(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                    nullptr));
        DWORD written = 0;
        if (!file || !WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
            written != bytes.size()) {
            file.reset();
            DeleteFileA(partial.c_str());
            return false;
        }
    }
    if (!MoveFileExA(partial.c_str(), path, MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileA(partial.c_str());
        return false;
    }
    return true;
}

void AppendRtfText(std::string& rtf, const std::wstring& line)
{
    for (wchar_t c : line) {
        if (c == L'\\' || c == L'{' || c == L'}') {
            rtf += '\\';
            rtf += static_cast<char>(c);
        } else if (c >= 0x20 && c < 0x80) {
            rtf += static_cast<char>(c);
        } else if (c >= 0x80) {
            // RTF's \u takes a signed 16-bit number, then one fallback character.
            char escape[16];
            FormatString(escape, "\\u%d?", static_cast<int>(static_cast<int16_t>(c)));
            rtf += escape;
        }
    }
}

void AppendU16(std::string& bytes, unsigned value)
{
    bytes += static_cast<char>(value & 0xFF);
    bytes += static_cast<char>((value >> 8) & 0xFF);
}

void AppendRecord(std::string& bytes, unsigned type, const std::string& data)
{
    AppendU16(bytes, type);
    AppendU16(bytes, static_cast<unsigned>(data.size()));
    bytes += data;
}

// A BIFF2 label holds at most 255 characters of the workbook's code page.
std::string LabelText(const std::wstring& line)
{
    std::string text(line.size() * 2 + 1, '\0');
    int length = WideCharToMultiByte(1252, 0, line.c_str(), static_cast<int>(line.size()), text.data(),
                                     static_cast<int>(text.size()), "?", nullptr);
    text.resize(length > 0 ? static_cast<size_t>(length) : 0);
    if (text.size() > 255)
        text.resize(255);
    return text;
}

}  // namespace

bool IsXlsPath(const char* path) { return EndsWithNoCase(path, ".xls"); }

bool WriteRtfDocument(const char* path, const std::vector<std::wstring>& lines)
{
    std::string rtf = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1{\\fonttbl{\\f0\\fswiss Arial;}}\\f0\\fs24\r\n";
    for (const std::wstring& line : lines) {
        AppendRtfText(rtf, line);
        rtf += "\\par\r\n";
    }
    rtf += "}\r\n";
    return WriteWholeFile(path, rtf);
}

bool WriteXlsDocument(const char* path, const std::vector<std::wstring>& lines)
{
    constexpr unsigned kBof = 0x0009, kDimensions = 0x0000, kCodePage = 0x0042, kLabel = 0x0004, kEof = 0x000A;
    std::vector<std::string> rows;
    for (const std::wstring& line : lines) {
        if (!line.empty() && rows.size() < 16384)
            rows.push_back(LabelText(line));
    }
    std::string bytes, data;
    AppendU16(data, 0x0002);  // BIFF2
    AppendU16(data, 0x0010);  // a worksheet
    AppendRecord(bytes, kBof, data);
    data.clear();
    AppendU16(data, 1252);
    AppendRecord(bytes, kCodePage, data);
    data.clear();
    AppendU16(data, 0);
    AppendU16(data, static_cast<unsigned>(rows.size()));
    AppendU16(data, 0);
    AppendU16(data, rows.empty() ? 0 : 1);
    AppendRecord(bytes, kDimensions, data);
    for (size_t row = 0; row < rows.size(); ++row) {
        data.clear();
        AppendU16(data, static_cast<unsigned>(row));
        AppendU16(data, 0);                      // column A
        data.append(3, '\0');                   // cell attributes: the default format
        data += static_cast<char>(rows[row].size());
        data += rows[row];
        AppendRecord(bytes, kLabel, data);
    }
    AppendRecord(bytes, kEof, std::string());
    return WriteWholeFile(path, bytes);
}

bool OpenWithRegisteredProgram(const char* executableName, const char* documentPath)
{
    std::string key = std::string("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\") + executableName;
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return false;
    UniqueHkey appKey(opened);
    char value[MAX_PATH] = {};
    DWORD size = sizeof value - 1;
    DWORD type = 0;
    if (RegQueryValueExA(appKey.get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return false;
    char program[MAX_PATH];
    DWORD length = ExpandEnvironmentStringsA(value, program, sizeof program);
    if (length == 0 || length > sizeof program)
        return false;
    if (program[0] == '"') {
        memmove(program, program + 1, strlen(program));
        if (char* quote = strchr(program, '"'))
            *quote = '\0';
    }
    std::string line = std::string("\"") + program + "\" \"" + documentPath + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}
