// Helpers shared by the unit test programs.
#pragma once

#include <string>
#include <vector>

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

// Records the texts of the message boxes the program would show, instead of showing
// them, while it lives. The localization is loaded with each key of the program's
// string table as its own text (test programs that link res/strings.rc), so a box
// reads as its key: an engine time-out shows "MsgTimeOut".
class ShownMessages {
public:
    ShownMessages();
    ~ShownMessages();
    ShownMessages(const ShownMessages&) = delete;
    ShownMessages& operator=(const ShownMessages&) = delete;
    // The texts shown since the last call, in order.
    std::vector<std::string> Take();
};
