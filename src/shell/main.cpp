#include <windows.h>

#include "shell/launch.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    return RunTornel(instance, commandLine);
}
