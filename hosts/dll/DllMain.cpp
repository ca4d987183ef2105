// stowline.dll: the add-in as the Notes client loads it. The start-up runs with the first
// DTMenuProc message, not here: a message box or registry read under the loader lock is unsafe.
#include <windows.h>

#include "addin/AddinStartup.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    // On FreeLibrary the settings go; at process exit the process takes everything with it.
    if (reason == DLL_PROCESS_DETACH && reserved == nullptr) stowline::ShutdownAddin();
    return TRUE;
}
