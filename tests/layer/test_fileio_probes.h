// What the platform under test does with attributes that Windows keeps but a
// compatibility layer may not (Wine run as root writes read-only files and
// keeps neither NORMAL on files nor ARCHIVE on directories). Rows that need
// them are checked only where the platform has them, and say so otherwise.
#pragma once

#include "TestSupport.h"

#include <stdio.h>

struct CAttributeProbes {
    bool bReadOnlyEnforced = false;
    bool bNormalKept = false;
    bool bDirectoryArchiveKept = false;

    static const CAttributeProbes &Get()
    {
        static const CAttributeProbes s_probes = [] {
            CAttributeProbes p;
            CTestDir dir;
            std::string strFile = dir / "probe.txt", strDir = dir / "probe.dir";
            WriteFileBytes(strFile, "x");
            CreateDirectoryA(strDir.c_str(), NULL);
            SetFileAttributesA(strFile.c_str(), FILE_ATTRIBUTE_NORMAL);
            p.bNormalKept = GetFileAttributesA(strFile.c_str()) == FILE_ATTRIBUTE_NORMAL;
            SetFileAttributesA(strDir.c_str(), 0x30);
            p.bDirectoryArchiveKept = GetFileAttributesA(strDir.c_str()) == 0x30;
            SetFileAttributesA(strFile.c_str(), FILE_ATTRIBUTE_READONLY);
            HANDLE h = CreateFileA(strFile.c_str(), GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
            p.bReadOnlyEnforced = h == INVALID_HANDLE_VALUE;
            if (h != INVALID_HANDLE_VALUE)
                CloseHandle(h);
            SetFileAttributesA(strFile.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (!p.bReadOnlyEnforced || !p.bNormalKept || !p.bDirectoryArchiveKept)
                printf("note: this platform %s%s%s; those cases are not checked here\n",
                       p.bReadOnlyEnforced ? "" : "writes read-only files, ",
                       p.bNormalKept ? "" : "does not keep FILE_ATTRIBUTE_NORMAL, ",
                       p.bDirectoryArchiveKept ? "" : "does not keep ARCHIVE on directories");
            return p;
        }();
        return s_probes;
    }
};
