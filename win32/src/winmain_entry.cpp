// The process entry of a GUI program: main() hands the command line to WinMain.
#include "w32_internal.h"

int main(int, char **)
{
    const char *pszArgs = w32::SkipProgramName(GetCommandLineA());
    return WinMain(GetModuleHandleA(nullptr), nullptr, const_cast<LPSTR>(pszArgs), 1);
}
