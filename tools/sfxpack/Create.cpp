// sfxpack create: the base executable unchanged, then each member's bytes,
// then one record per member, the count and the magic. The result is written
// under a temporary name, read back with the patch's own reader, and only
// then renamed to OUT, so that a failed run leaves no half-written patch.
#include "Pack.h"

#include "CommonException.h"
#include "SfxArchive.h"
#include "SfxNames.h"
#include "WinFile.h"
#include "WinFileException.h"
#include "WinFileFind.h"

#include <stdio.h>

namespace {

// Every offset, size and distance from the end stays below 2^31.
const unsigned long long kLimit = 0x7FFFFFFFull;

void PutDword(CWinFile &out, DWORD dw)
{
    unsigned char bytes[4] = {(unsigned char)dw, (unsigned char)(dw >> 8), (unsigned char)(dw >> 16),
                              (unsigned char)(dw >> 24)};
    out.Write(bytes, 4, NULL);
}

// Appends a whole file; returns its size. Throws for file errors; sets
// bTooBig (and stops) when the payload would pass the format's limits.
unsigned long long AppendFile(CWinFile &out, const std::string &strPath, unsigned long long nAt,
                              bool &bTooBig)
{
    CWinFile in(strPath.c_str(), GENERIC_READ, OPEN_EXISTING, FILE_SHARE_READ, FILE_ATTRIBUTE_NORMAL,
                NULL, NULL);
    static char buffer[65536];
    unsigned long long nSize = 0;
    for (;;) {
        DWORD dwRead = in.Read(buffer, sizeof buffer, NULL);
        if (dwRead == 0)
            break;
        nSize += dwRead;
        if (nAt + nSize > kLimit) {
            bTooBig = true;
            return nSize;
        }
        out.Write(buffer, dwRead, NULL);
    }
    return nSize;
}

struct CMember {
    std::string strName;
    DWORD dwOffset;
    DWORD dwSize;
};

int CheckNames(const std::vector<std::string> &files)
{
    for (size_t i = 0; i < files.size(); ++i) {
        std::string strName = MemberName(files[i]);
        if (strName.size() >= kSfxNameBufferSize)
            return Fail(files[i], "member name of 1024 bytes or more");
        if (!IsPlainMemberName(strName.c_str()))
            return Fail(files[i], "member name \"" + strName + "\" is not a plain file name; the patch "
                                  "would refuse it");
        for (size_t j = 0; j < i; ++j)
            if (_stricmp(MemberName(files[j]).c_str(), strName.c_str()) == 0)
                return Fail(files[i], "duplicate member name \"" + strName + "\" (also " + files[j] + ")");
    }
    return 0;
}

}  // namespace

int CreatePatch(const std::string &strBase, const std::string &strOut,
                const std::vector<std::string> &files)
{
    if (int nError = CheckNames(files))
        return nError;
    std::string strTemp = strOut + ".sfxpack-tmp";
    std::string strStage = strBase;  // the file that the next failure concerns
    // A copy keeps the base's own file mode (a program stays a program).
    if (!CopyFileA(strBase.c_str(), strTemp.c_str(), FALSE)) {
        CWinFileException e(GetLastError());
        return Fail(strBase, "cannot copy to " + strTemp + ": " + ExceptionText(e));
    }
    try {
        CWinFile out(strTemp.c_str(), GENERIC_WRITE, OPEN_EXISTING, 0, FILE_ATTRIBUTE_NORMAL, NULL, NULL);
        out.Seek(0, FILE_END);
        unsigned long long nAt = 0;
        {
            CWinFileFind find;
            find.FindFirst(strTemp.c_str());
            nAt = ((unsigned long long)find.m_FindData.nFileSizeHigh << 32) |
                  find.m_FindData.nFileSizeLow;
        }
        if (nAt > kLimit)
            throw std::string("base executable of 2 GiB or more");
        std::vector<CMember> members;
        for (const std::string &strFile : files) {
            strStage = strFile;
            bool bTooBig = false;
            unsigned long long nSize = AppendFile(out, strFile, nAt, bTooBig);
            if (bTooBig)
                throw std::string("payload would pass 2 GiB, the limit of the format");
            members.push_back({MemberName(strFile), (DWORD)nAt, (DWORD)nSize});
            nAt += nSize;
        }
        strStage = strOut;
        unsigned long long nDirectory = 14;
        for (const CMember &m : members)
            nDirectory += 12 + m.strName.size();
        if (nAt + nDirectory > kLimit)
            throw std::string("payload would pass 2 GiB, the limit of the format");
        for (const CMember &m : members) {
            PutDword(out, m.dwOffset);
            PutDword(out, m.dwSize);
            out.Write(m.strName.data(), (DWORD)m.strName.size(), NULL);
            PutDword(out, (DWORD)m.strName.size());
        }
        PutDword(out, (DWORD)members.size());
        out.Write(gpszSfxMagic, (DWORD)strlen(gpszSfxMagic), NULL);
        out.Close();

        // What the patch will read: the same members at the same places.
        CSfxArchive check(strTemp.c_str());
        if (!check.ReadDirectory(strTemp.c_str()) || check.Entries().size() != members.size())
            throw std::string("the written payload does not read back");
        for (size_t i = 0; i < members.size(); ++i) {
            const SfxEntry &e = check.Entries()[members.size() - 1 - i];
            if (e.m_strName != members[i].strName || e.m_dwOffset != members[i].dwOffset ||
                e.m_dwSize != members[i].dwSize)
                throw std::string("the written payload does not read back");
        }
    } catch (CCommonException &e) {
        DeleteFileA(strTemp.c_str());
        return Fail(strStage, ExceptionText(e));
    } catch (std::string &strCause) {
        DeleteFileA(strTemp.c_str());
        return Fail(strStage, strCause);
    }
    if (!MoveFileExA(strTemp.c_str(), strOut.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        CWinFileException e(GetLastError());
        DeleteFileA(strTemp.c_str());
        return Fail(strOut, "cannot replace: " + ExceptionText(e));
    }
    return 0;
}
