// The maker's mail service library: hands a scanned image to whatever mail client the
// user has, through Simple MAPI. The system's MAPI library forwards the call to the
// default client named under HKLM "Software\Clients\Mail", which opens a new mail
// with the file attached and its compose window shown.
#include <windows.h>
#include <mapi.h>

#include "common/strings.h"

namespace {

const char* FileNameOf(const char* path)
{
    const char* name = path;
    for (const char* p = path; *p; ++p) {
        if (*p == '\\' || *p == '/' || *p == ':')
            name = p + 1;
    }
    return name;
}

}  // namespace

// The library's one entry: the path of the image to mail. Returns the MAPI status.
// MAPI is loaded for the call only, so each call reaches the default client of the moment.
extern "C" __declspec(dllexport) int __cdecl TNGSendMail(char* imagePath)
{
    if (!imagePath || !imagePath[0])
        return MAPI_E_ATTACHMENT_NOT_FOUND;
    HMODULE mapi = LoadLibraryA("mapi32.dll");
    if (!mapi)
        return MAPI_E_FAILURE;
    auto send = reinterpret_cast<LPMAPISENDMAIL>(reinterpret_cast<void*>(GetProcAddress(mapi, "MAPISendMail")));
    ULONG status = MAPI_E_FAILURE;
    if (send) {
        char fileName[MAX_PATH];
        CopyString(fileName, FileNameOf(imagePath));
        MapiFileDesc file = {};
        file.nPosition = static_cast<ULONG>(-1);  // not placed in the text
        file.lpszPathName = imagePath;
        file.lpszFileName = fileName;
        MapiMessage message = {};
        message.lpszSubject = const_cast<char*>("Scanned image");
        message.lpszNoteText = const_cast<char*>("The scanned page is attached.\r\n");
        message.nFileCount = 1;
        message.lpFiles = &file;
        status = send(0, reinterpret_cast<ULONG_PTR>(GetActiveWindow()), &message, MAPI_DIALOG | MAPI_LOGON_UI, 0);
    }
    FreeLibrary(mapi);
    return static_cast<int>(status);
}
