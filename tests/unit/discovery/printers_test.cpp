#include <gtest/gtest.h>

#include <windows.h>
#include <winspool.h>

#include <string>
#include <vector>

#include "common/paths.h"
#include "config/discovery.h"
#include "test_support.h"

namespace {

constexpr DWORD kEnumFlags = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;

std::vector<std::string> SpoolerPrinters()
{
    std::vector<std::string> names;
    DWORD needed = 0;
    DWORD count = 0;
    EnumPrintersA(kEnumFlags, nullptr, 2, nullptr, 0, &needed, &count);
    std::vector<BYTE> buffer(needed ? needed : 1);
    if (!EnumPrintersA(kEnumFlags, nullptr, 2, buffer.data(), needed, &needed, &count))
        return names;
    const auto* printers = reinterpret_cast<const PRINTER_INFO_2A*>(buffer.data());
    for (DWORD i = 0; i < count; ++i)
        names.push_back(printers[i].pPrinterName);
    return names;
}

std::string DefaultPrinter()
{
    char name[1024];
    DWORD size = sizeof name;
    return GetDefaultPrinterA(name, &size) ? std::string(name) : std::string();
}

// Runs the rig's printer tool and returns its exit code (-1 when it could not run
// or did not end within 30 s).
int RunPrinterTool(const std::string& arguments)
{
    std::string commandLine = "\"" + BuildBinFolder() + "add_test_printer.exe\" " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return -1;
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(process.hProcess, 30000) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
}

// Runs discovery against the real spooler with "kmconfig.ini" in a scratch Windows
// directory; the printers a test adds, and the system's default printer, are put
// back afterwards.
class PrinterDiscovery : public ::testing::Test {
protected:
    void SetUp() override
    {
        savedDefault_ = DefaultPrinter();
        config_ = folder_.File("kmconfig.ini");
    }

    void TearDown() override
    {
        for (const std::string& name : added_)
            EXPECT_EQ(RunPrinterTool("delete \"" + name + "\""), 0) << "removing " << name;
        if (!savedDefault_.empty())
            SetDefaultPrinterA(savedDefault_.c_str());
    }

    void AddFilePrinter(const std::string& name)
    {
        RunPrinterTool("delete \"" + name + "\"");
        std::string port = folder_.File(name + ".ps");
        ASSERT_EQ(RunPrinterTool("add \"" + name + "\" \"" + port + "\""), 0) << "adding " << name;
        added_.push_back(name);
    }

    std::string Key(const char* key, const char* fallback = "<absent>")
    {
        char value[1024];
        GetPrivateProfileStringA("Tornel_Printer", key, fallback, value, sizeof value, config_.c_str());
        return value;
    }

    void WriteStaleList()
    {
        WriteTextFile(config_,
                      "[Tornel_Printer]\r\nNumPrinter=5\r\nPrinterName0=Gone\r\nPrinterName1=Gone\r\n"
                      "PrinterName5=Gone\r\nDriverName5=Gone\r\n[Other]\r\nKeep=1\r\n");
    }

    ScratchWindowsDirectory folder_;
    std::string config_;
    std::string savedDefault_;
    std::vector<std::string> added_;
};

TEST_F(PrinterDiscovery, DefaultPrinterListedSecondOfThree)
{
    AddFilePrinter("Tornel Rig A");
    AddFilePrinter("Tornel Rig B");
    AddFilePrinter("Tornel Rig C");
    std::vector<std::string> names = SpoolerPrinters();
    ASSERT_EQ(names.size(), 3u) << "the test prefix should hold only the rig's printers";
    ASSERT_TRUE(SetDefaultPrinterA(names[1].c_str()));
    WriteStaleList();

    int32_t selected = -1;
    EXPECT_NE(DiscoverPrinters(&selected), 0);

    EXPECT_EQ(selected, 2);
    EXPECT_EQ(Key("NumPrinter"), "3");
    EXPECT_EQ(Key("PrinterName0"), names[1]);
    for (int i = 1; i <= 3; ++i) {
        std::string n = std::to_string(i);
        EXPECT_EQ(Key(("PrinterName" + n).c_str()), names[i - 1]);
        EXPECT_EQ(Key(("DriverName" + n).c_str()), "") << "present and empty";
        EXPECT_EQ(Key(("PortName" + n).c_str()), "") << "present and empty";
    }
    EXPECT_EQ(Key("PrinterName5"), "<absent>") << "printers of an earlier run are gone";
    EXPECT_EQ(Key("DriverName5"), "<absent>");
    char other[8];
    GetPrivateProfileStringA("Other", "Keep", "", other, sizeof other, config_.c_str());
    EXPECT_STREQ(other, "1") << "other sections stay";
}

TEST_F(PrinterDiscovery, WithoutDefaultPrinterTheCountIsSelected)
{
    AddFilePrinter("Tornel Rig A");
    AddFilePrinter("Tornel Rig B");
    ASSERT_EQ(SpoolerPrinters().size(), 2u) << "the test prefix should hold only the rig's printers";
    char device[1024];
    GetProfileStringA("windows", "device", "", device, sizeof device);
    ASSERT_TRUE(WriteProfileStringA("windows", "device", ""));

    int32_t selected = -1;
    int result = DiscoverPrinters(&selected);
    WriteProfileStringA("windows", "device", device);

    EXPECT_NE(result, 0);
    EXPECT_EQ(selected, 2);
    EXPECT_EQ(Key("NumPrinter"), "2");
    EXPECT_EQ(Key("PrinterName0"), "<absent>");
    EXPECT_EQ(Key("PrinterName2"), "Tornel Rig B");
}

TEST_F(PrinterDiscovery, EmptySpoolerClearsTheList)
{
    if (!SpoolerPrinters().empty())
        GTEST_SKIP() << "the test prefix holds printers of its own";
    WriteStaleList();

    int32_t selected = -1;
    EXPECT_NE(DiscoverPrinters(&selected), 0);

    EXPECT_EQ(selected, 0);
    EXPECT_EQ(Key("NumPrinter"), "0");
    EXPECT_EQ(Key("PrinterName0"), "<absent>");
    EXPECT_EQ(Key("PrinterName1"), "<absent>");
    EXPECT_EQ(Key("PrinterName5"), "<absent>");
}

}  // namespace
