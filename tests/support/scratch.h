// Scratch folders and registry keys that go with their owner, and a bounded wait:
// what the test programs and the benchmarks share.
#pragma once

#include <windows.h>

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

// A scratch folder that is Tornel's Windows directory while it lives; the directory
// before it is put back when it goes.
class ScratchWindowsDirectory : public TempFolder {
public:
    ScratchWindowsDirectory();
    ~ScratchWindowsDirectory();

private:
    std::string previous_;
};

// A fresh key "Software\TornelTests\<name><process id>" under HKEY_CURRENT_USER,
// deleted with everything under it when the object goes. Tests hand it to a reader
// in place of the root the system reads.
class ScratchRegistryKey {
public:
    explicit ScratchRegistryKey(const char* name);
    ~ScratchRegistryKey();
    ScratchRegistryKey(const ScratchRegistryKey&) = delete;
    ScratchRegistryKey& operator=(const ScratchRegistryKey&) = delete;

    HKEY get() const { return key_; }
    // The key's path under HKEY_CURRENT_USER.
    const std::string& subkey() const { return subkey_; }
    // Writes a text value (null name: the unnamed value) of subkey under the key,
    // made when missing (empty: the key itself); false when it could not.
    bool SetText(const std::string& subkey, const char* valueName, const std::string& text,
                 DWORD type = REG_SZ) const;

private:
    std::string subkey_;
    HKEY key_ = nullptr;
};

// Deletes a registry key with everything under it.
void DeleteRegistryTree(HKEY parent, const char* name);

// Looks at a condition every few milliseconds for up to the bound; false when it
// never held.
template <class Condition>
bool WaitUntil(Condition condition, DWORD boundMs)
{
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > boundMs)
            return false;
        Sleep(5);
    }
    return true;
}

// Writes a file with exactly the given bytes.
void WriteTextFile(const std::string& path, const std::string& text);
// The whole content of a file, or an empty string when it cannot be read.
std::string ReadTextFile(const std::string& path);
