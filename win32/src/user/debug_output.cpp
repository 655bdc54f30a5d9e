// Debugger output and message boxes, kept where a test can read them: files
// in the layer's state directory. A message box answers IDOK, or the number
// in W32_MESSAGEBOX_ANSWER.
#include "../w32_internal.h"

namespace {
void AppendToStateFile(const char *pszFile, const std::string &str)
{
    std::string strPath = w32::StateDir() + "/" + pszFile;
    if (FILE *p = fopen64(strPath.c_str(), "ab")) {
        fwrite(str.data(), 1, str.size(), p);
        fclose(p);
    }
}
}  // namespace

extern "C" void WINAPI OutputDebugStringA(LPCSTR lpOutputString)
{
    if (lpOutputString)
        AppendToStateFile("OutputDebugString.txt", lpOutputString);
}

extern "C" int WINAPI MessageBoxA(HWND, LPCSTR lpText, LPCSTR lpCaption, UINT uType)
{
    std::string str = std::string(lpCaption ? lpCaption : "Error") + "\n" +
                      (lpText ? lpText : "") + "\n" + std::to_string(uType) + "\n";
    AppendToStateFile("MessageBox.txt", str);
    const char *pszAnswer = getenv("W32_MESSAGEBOX_ANSWER");
    return pszAnswer ? atoi(pszAnswer) : IDOK;
}
