// The documents the OCR stand-ins write: RTF for the word processors, and a
// worksheet in the Excel 2.1 file format (BIFF2), which every Excel opens, with one
// line of text per row.
#pragma once

#include <string>
#include <vector>

bool WriteRtfDocument(const char* path, const std::vector<std::wstring>& lines);
// Blank lines make no row.
bool WriteXlsDocument(const char* path, const std::vector<std::wstring>& lines);

// "RTF" or "XLS" by the document's extension (".xls" is XLS, anything else RTF).
bool IsXlsPath(const char* path);

// Hands a document to an office program the way the OCR programs deliver their
// results: the program registered under App Paths as executableName ("excel.exe",
// "winword.exe") is started on it. False when none is registered or it cannot start.
bool OpenWithRegisteredProgram(const char* executableName, const char* documentPath);
