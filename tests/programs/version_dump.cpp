// version_dump DIR...: one line for every file of each directory, in name
// order: "<n>/<name> <file MS> <file LS> <product MS> <product LS>" in hex when
// the root block gives fixed file information, "<n>/<name> error <code>" when
// the size query fails, "<n>/<name> noroot" when only the root query does.
// n is the directory's place on the command line, so that the output of two
// systems that name the same directories differently compares line by line.
#include <windows.h>

#include <stdio.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

std::vector<std::string> FileNames(const std::string &strDir)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE hFind = FindFirstFileA((strDir + "\\*").c_str(), &data);
    if (hFind == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(data.cFileName);
    } while (FindNextFileA(hFind, &data));
    FindClose(hFind);
    std::sort(names.begin(), names.end(), [](const std::string &a, const std::string &b) {
        return _stricmp(a.c_str(), b.c_str()) < 0;
    });
    return names;
}

void Dump(const std::string &strPath, const std::string &strLabel)
{
    DWORD dwHandle = 0;
    DWORD dwSize = GetFileVersionInfoSizeA(strPath.c_str(), &dwHandle);
    if (dwSize == 0) {
        printf("%s error %lu\n", strLabel.c_str(), (unsigned long)GetLastError());
        return;
    }
    std::vector<char> block(dwSize);
    if (!GetFileVersionInfoA(strPath.c_str(), 0, dwSize, block.data())) {
        printf("%s infoerror %lu\n", strLabel.c_str(), (unsigned long)GetLastError());
        return;
    }
    VS_FIXEDFILEINFO *pInfo = NULL;
    UINT uLen = 0;
    if (!VerQueryValueA(block.data(), "\\", (LPVOID *)&pInfo, &uLen) || !pInfo) {
        printf("%s noroot\n", strLabel.c_str());
        return;
    }
    printf("%s %08lx %08lx %08lx %08lx\n", strLabel.c_str(), (unsigned long)pInfo->dwFileVersionMS,
           (unsigned long)pInfo->dwFileVersionLS, (unsigned long)pInfo->dwProductVersionMS,
           (unsigned long)pInfo->dwProductVersionLS);
}

}  // namespace

int main(int argc, char *argv[])
{
    if (argc < 2) {
        fprintf(stderr, "usage: version_dump DIR...\n");
        return 2;
    }
    for (int i = 1; i < argc; ++i) {
        std::string strDir = argv[i];
        std::vector<std::string> names = FileNames(strDir);
        if (names.empty()) {
            fprintf(stderr, "version_dump: no files in %s\n", strDir.c_str());
            return 1;
        }
        for (const std::string &strName : names)
            Dump(strDir + "\\" + strName, std::to_string(i) + "/" + strName);
    }
    return 0;
}
