// Helpers shared by the unit test programs.
#pragma once

#include <string>

// A fresh, empty folder under the Windows temp folder, removed with its files when
// the object goes. Tests point Tornel's Windows directory at one of these.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder's path, ending with a backslash.
    const std::string& path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + name; }

private:
    std::string path_;
};

// Writes a file with exactly the given bytes.
void WriteTextFile(const std::string& path, const std::string& text);
// The whole content of a file, or an empty string when it cannot be read.
std::string ReadTextFile(const std::string& path);

// The build's bin folder (where the stand-in DLLs are) as a Windows path with a
// trailing backslash, from TORNEL_BIN that the test runner sets.
std::string BuildBinFolder();
