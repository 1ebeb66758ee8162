// Adds and removes printers whose port is a file, for tests and the demo under Wine:
//   add_test_printer add NAME OUTPUT-FILE [/default]   PostScript of every job lands in OUTPUT-FILE
//   add_test_printer delete NAME                       removes the printer and its file port
//   add_test_printer default NAME                      makes NAME the system's default printer
//   add_test_printer list                              prints the spooler's printers, default marked
// The driver is Wine's PostScript driver with rig.ppd (found beside this program).
// Exit code 0 on success, 1 for a wrong command line, 2 when a spooler call failed.
#include <windows.h>
#include <winspool.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "common/strings.h"

namespace {

constexpr char kDriverName[] = "Tornel Rig PostScript";
constexpr char kPpdName[] = "rig.ppd";

int Fail(const char* what)
{
    DWORD error = GetLastError();
    fprintf(stderr, "add_test_printer: %s failed (error %lu)\n", what, error);
    return 2;
}

class PrinterHandle {
public:
    PrinterHandle() = default;
    ~PrinterHandle()
    {
        if (handle_)
            ClosePrinter(handle_);
    }
    PrinterHandle(const PrinterHandle&) = delete;
    PrinterHandle& operator=(const PrinterHandle&) = delete;
    HANDLE* put() { return &handle_; }
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_ = nullptr;
};

// The spooler copies nothing from a Z: path, so the PPD goes into the driver folder here.
bool InstallPpd(char (&installed)[MAX_PATH])
{
    char source[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, source, sizeof source);
    if (length == 0 || length >= sizeof source)
        return false;
    char* slash = strrchr(source, '\\');
    if (!slash)
        return false;
    slash[1] = '\0';
    if (!AppendString(source, kPpdName))
        return false;

    DWORD needed = 0;
    if (!GetPrinterDriverDirectoryA(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(installed), sizeof installed,
                                    &needed))
        return false;
    AppendBackslash(installed);
    AppendString(installed, "3");
    CreateDirectoryA(installed, nullptr);
    AppendBackslash(installed);
    if (!AppendString(installed, kPpdName))
        return false;
    return CopyFileA(source, installed, FALSE) != 0;
}

bool InstallDriver()
{
    char ppd[MAX_PATH];
    if (!InstallPpd(ppd)) {
        Fail("copying rig.ppd into the driver folder");
        return false;
    }
    DRIVER_INFO_3A driver = {};
    driver.cVersion = 3;
    driver.pName = const_cast<char*>(kDriverName);
    driver.pDriverPath = const_cast<char*>("wineps.drv");
    driver.pConfigFile = const_cast<char*>("wineps.drv");
    driver.pDataFile = ppd;
    if (!AddPrinterDriverExA(nullptr, 3, reinterpret_cast<BYTE*>(&driver), APD_COPY_NEW_FILES)) {
        Fail("AddPrinterDriverExA");
        return false;
    }
    return true;
}

// Adds or deletes a local port through the local port monitor. An existing port
// counts as added and a missing one as deleted.
bool PortCommand(const wchar_t* command, const char* port)
{
    PRINTER_DEFAULTSA access = {nullptr, nullptr, SERVER_ACCESS_ADMINISTER};
    PrinterHandle monitor;
    if (!OpenPrinterA(const_cast<char*>(",XcvMonitor Local Port"), monitor.put(), &access)) {
        Fail("opening the local port monitor");
        return false;
    }
    wchar_t widePort[MAX_PATH];
    if (!MultiByteToWideChar(CP_ACP, 0, port, -1, widePort, MAX_PATH)) {
        Fail("converting the port name");
        return false;
    }
    DWORD needed = 0;
    DWORD status = 0;
    DWORD bytes = static_cast<DWORD>((wcslen(widePort) + 1) * sizeof(wchar_t));
    if (!XcvDataW(monitor.get(), command, reinterpret_cast<BYTE*>(widePort), bytes, nullptr, 0, &needed, &status)) {
        Fail("XcvDataW");
        return false;
    }
    if (status != ERROR_SUCCESS && status != ERROR_ALREADY_EXISTS && status != ERROR_FILE_NOT_FOUND) {
        fprintf(stderr, "add_test_printer: port %s: status %lu\n", port, status);
        return false;
    }
    return true;
}

int AddFilePrinter(const char* name, const char* output, bool makeDefault)
{
    if (!InstallDriver() || !PortCommand(L"AddPort", output))
        return 2;
    PRINTER_INFO_2A info = {};
    info.pPrinterName = const_cast<char*>(name);
    info.pPortName = const_cast<char*>(output);
    info.pDriverName = const_cast<char*>(kDriverName);
    info.pPrintProcessor = const_cast<char*>("winprint");
    info.pDatatype = const_cast<char*>("RAW");
    info.Attributes = PRINTER_ATTRIBUTE_LOCAL;
    HANDLE printer = AddPrinterA(nullptr, 2, reinterpret_cast<BYTE*>(&info));
    if (!printer)
        return Fail("AddPrinterA");
    ClosePrinter(printer);
    if (makeDefault && !SetDefaultPrinterA(name))
        return Fail("SetDefaultPrinterA");
    return 0;
}

int DeletePrinterAndPort(const char* name)
{
    PRINTER_DEFAULTSA access = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    PrinterHandle printer;
    if (!OpenPrinterA(const_cast<char*>(name), printer.put(), &access))
        return Fail("OpenPrinterA");
    char port[MAX_PATH] = "";
    DWORD needed = 0;
    GetPrinterA(printer.get(), 2, nullptr, 0, &needed);
    std::vector<BYTE> info(needed ? needed : 1);
    if (GetPrinterA(printer.get(), 2, info.data(), needed, &needed)) {
        const char* portName = reinterpret_cast<PRINTER_INFO_2A*>(info.data())->pPortName;
        CopyString(port, portName);
    }
    if (!DeletePrinter(printer.get()))
        return Fail("DeletePrinter");
    if (port[0] && !PortCommand(L"DeletePort", port))
        return 2;
    return 0;
}

int ListPrinters()
{
    char defaultName[1024] = "";
    DWORD size = sizeof defaultName;
    if (!GetDefaultPrinterA(defaultName, &size))
        defaultName[0] = '\0';
    DWORD needed = 0;
    DWORD count = 0;
    const DWORD flags = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;
    EnumPrintersA(flags, nullptr, 2, nullptr, 0, &needed, &count);
    std::vector<BYTE> buffer(needed ? needed : 1);
    if (!EnumPrintersA(flags, nullptr, 2, buffer.data(), needed, &needed, &count))
        return Fail("EnumPrintersA");
    const auto* printers = reinterpret_cast<const PRINTER_INFO_2A*>(buffer.data());
    for (DWORD i = 0; i < count; ++i) {
        const char* name = printers[i].pPrinterName;
        printf("%s%s\t%s\n", strcmp(name, defaultName) == 0 ? "* " : "  ", name,
               printers[i].pPortName ? printers[i].pPortName : "");
    }
    return 0;
}

int Usage()
{
    fprintf(stderr,
            "usage: add_test_printer add NAME OUTPUT-FILE [/default]\n"
            "       add_test_printer delete NAME\n"
            "       add_test_printer default NAME\n"
            "       add_test_printer list\n");
    return 1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc >= 4 && strcmp(argv[1], "add") == 0) {
        bool makeDefault = argc == 5 && _stricmp(argv[4], "/default") == 0;
        if (argc > 5 || (argc == 5 && !makeDefault))
            return Usage();
        return AddFilePrinter(argv[2], argv[3], makeDefault);
    }
    if (argc == 3 && strcmp(argv[1], "delete") == 0)
        return DeletePrinterAndPort(argv[2]);
    if (argc == 3 && strcmp(argv[1], "default") == 0)
        return SetDefaultPrinterA(argv[2]) ? 0 : Fail("SetDefaultPrinterA");
    if (argc == 2 && strcmp(argv[1], "list") == 0)
        return ListPrinters();
    return Usage();
}
