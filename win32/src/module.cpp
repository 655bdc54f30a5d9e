// The running module and its command line.
#include "w32_internal.h"

#include <errno.h>
#include <unistd.h>

namespace {
struct HINSTANCE__ g_module;

// The command line is fixed at start: the exact text that the layer's
// CreateProcessA handed over, or the arguments quoted as Windows shows them.
std::string ReadCommandLine()
{
    if (const char *psz = getenv(w32::kCommandLineVariable)) {
        std::string str = psz;
        unsetenv(w32::kCommandLineVariable);
        return str;
    }
    std::string str;
    if (FILE *pFile = fopen64("/proc/self/cmdline", "rb")) {
        std::string strArg;
        bool bFirst = true;
        int c;
        while ((c = fgetc(pFile)) != EOF) {
            if (c) {
                strArg += (char)c;
                continue;
            }
            if (!bFirst)
                str += ' ';
            str += w32::QuoteArgument(strArg);
            strArg.clear();
            bFirst = false;
        }
        fclose(pFile);
    }
    return str;
}

std::string &CommandLine()
{
    static std::string s_str = ReadCommandLine();
    return s_str;
}

// Read before main() runs, so that no child inherits the hand-over variable.
const bool g_bCommandLineRead = (CommandLine(), true);
}  // namespace

extern "C" HMODULE WINAPI GetModuleHandleA(LPCSTR lpModuleName)
{
    if (lpModuleName == nullptr)
        return &g_module;
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
}

extern "C" DWORD WINAPI GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize)
{
    if (hModule != nullptr && hModule != &g_module) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return 0;
    }
    char szExe[4096];
    ssize_t n = readlink("/proc/self/exe", szExe, sizeof szExe - 1);
    if (n < 0) {
        SetLastError(w32::ErrnoToWin32(errno));
        return 0;
    }
    szExe[n] = 0;
    std::string str = w32::PosixToWinPath(szExe);
    if (nSize == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    if (str.size() + 1 > nSize) {
        // Cut to the buffer and terminated, with the buffer size as the result.
        memcpy(lpFilename, str.c_str(), nSize - 1);
        lpFilename[nSize - 1] = 0;
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return nSize;
    }
    memcpy(lpFilename, str.c_str(), str.size() + 1);
    SetLastError(ERROR_SUCCESS);
    return (DWORD)str.size();
}

extern "C" LPSTR WINAPI GetCommandLineA(void) { return &CommandLine()[0]; }
