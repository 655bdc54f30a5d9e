// sfxpack list and verify, through the patch's own directory reader.
#include "Pack.h"

#include "CommonException.h"
#include "Sha256.h"
#include "SfxArchive.h"
#include "WinFile.h"

#include <stdio.h>

namespace {

// A patch's directory and the patch opened for reading its members.
class CPatch {
public:
    explicit CPatch(const std::string &strPatch)
        : m_archive(strPatch.c_str()),
          m_bFound(m_archive.ReadDirectory(strPatch.c_str())),
          m_file(strPatch.c_str(), GENERIC_READ, OPEN_EXISTING, FILE_SHARE_READ, FILE_ATTRIBUTE_NORMAL,
                 NULL, NULL)
    {
        if (!m_bFound)
            throw std::string("carries no payload (no magic at the end, or a count of 0)");
    }
    // The last record first, as the reader holds them.
    const std::vector<SfxEntry> &Entries() const { return m_archive.Entries(); }
    CWinFile &File() { return m_file; }

private:
    CSfxArchive m_archive;
    bool m_bFound;
    CWinFile m_file;
};

// The SHA-256 of a member, read from the container; throws when the
// container ends inside it.
std::string MemberDigest(CWinFile &file, const SfxEntry &entry)
{
    file.Seek((LONG)entry.m_dwOffset, FILE_BEGIN);
    CSha256 sha;
    static char buffer[65536];
    DWORD dwLeft = entry.m_dwSize;
    while (dwLeft > 0) {
        DWORD dwRead = file.Read(buffer, dwLeft < sizeof buffer ? dwLeft : (DWORD)sizeof buffer, NULL);
        if (dwRead == 0)
            throw std::string("the payload ends inside member \"" + entry.m_strName + "\"");
        sha.Update(buffer, dwRead);
        dwLeft -= dwRead;
    }
    return sha.HexDigest();
}

std::string FileDigest(const std::string &strPath)
{
    CWinFile file(strPath.c_str(), GENERIC_READ, OPEN_EXISTING, FILE_SHARE_READ, FILE_ATTRIBUTE_NORMAL,
                  NULL, NULL);
    CSha256 sha;
    static char buffer[65536];
    while (DWORD dwRead = file.Read(buffer, sizeof buffer, NULL))
        sha.Update(buffer, dwRead);
    return sha.HexDigest();
}

}  // namespace

int ListPatch(const std::string &strPatch)
{
    try {
        CPatch patch(strPatch);
        const std::vector<SfxEntry> &entries = patch.Entries();
        for (size_t i = entries.size(); i-- > 0;)
            printf("%10lu %10lu %s %s\n", (unsigned long)entries[i].m_dwOffset,
                   (unsigned long)entries[i].m_dwSize, MemberDigest(patch.File(), entries[i]).c_str(),
                   entries[i].m_strName.c_str());
    } catch (CCommonException &e) {
        return Fail(strPatch, ExceptionText(e));
    } catch (std::string &strCause) {
        return Fail(strPatch, strCause);
    }
    return 0;
}

int VerifyPatch(const std::string &strPatch, const std::vector<std::string> &files)
{
    std::string strStage = strPatch;
    int nProblems = 0;
    try {
        CPatch patch(strPatch);
        const std::vector<SfxEntry> &entries = patch.Entries();
        std::vector<bool> matched(entries.size(), false);
        for (const std::string &strFile : files) {
            strStage = strFile;
            std::string strName = MemberName(strFile);
            // The record that extraction leaves in place: the last of that name.
            size_t nFound = entries.size();
            for (size_t i = 0; i < entries.size() && nFound == entries.size(); ++i)
                if (_stricmp(entries[i].m_strName.c_str(), strName.c_str()) == 0)
                    nFound = i;
            if (nFound == entries.size()) {
                nProblems += Fail(strFile, "no member \"" + strName + "\" in " + strPatch);
                continue;
            }
            matched[nFound] = true;
            if (MemberDigest(patch.File(), entries[nFound]) != FileDigest(strFile))
                nProblems += Fail(strFile, "differs from member \"" + strName + "\" of " + strPatch);
        }
        for (size_t i = entries.size(); i-- > 0;)
            if (!matched[i])
                nProblems += Fail(strPatch, "holds member \"" + entries[i].m_strName +
                                                "\" that was not given");
    } catch (CCommonException &e) {
        return Fail(strStage, ExceptionText(e));
    } catch (std::string &strCause) {
        return Fail(strStage, strCause);
    }
    if (nProblems)
        return 1;
    printf("%s: %u members verified\n", strPatch.c_str(), (unsigned)files.size());
    return 0;
}
