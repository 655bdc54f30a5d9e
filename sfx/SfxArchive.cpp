#include "SfxArchive.h"

#include "WinFile.h"
#include "WinFileException.h"

const char *const gpszSfxMagic = "!QUIL_SFX!";

namespace {

// Every distance from the end must fit a negative 32-bit seek.
const DWORD kMaxBackwardDistance = 0x7FFFFFFF;

void SeekBack(CWinFile &file, DWORD dwPos)
{
    file.Seek(-(LONG)dwPos, FILE_END);
}

DWORD ReadDword(CWinFile &file)
{
    unsigned char bytes[4] = {0, 0, 0, 0};
    file.Read(bytes, sizeof bytes, NULL);
    return (DWORD)bytes[0] | ((DWORD)bytes[1] << 8) | ((DWORD)bytes[2] << 16) |
           ((DWORD)bytes[3] << 24);
}

// Moves pos further back by dwStep, refusing a distance past 2^31 - 1 (which
// no signed seek reaches) before it can wrap.
void StepBack(DWORD &dwPos, DWORD dwStep)
{
    if (dwStep > kMaxBackwardDistance - dwPos)
        throw CWinFileException(ERROR_NEGATIVE_SEEK);
    dwPos += dwStep;
}

}  // namespace

CSfxArchive::CSfxArchive() : m_nEntryCount(0)
{
    memset(m_szArchivePath, 0, sizeof m_szArchivePath);
    // The zero after the 260 bytes keeps a path of full length terminated.
    GetModuleFileNameA(NULL, m_szArchivePath, MAX_PATH);
}

CSfxArchive::CSfxArchive(const char *pszArchivePath) : m_nEntryCount(0)
{
    memset(m_szArchivePath, 0, sizeof m_szArchivePath);
    if (pszArchivePath && strlen(pszArchivePath) <= MAX_PATH)
        memcpy(m_szArchivePath, pszArchivePath, strlen(pszArchivePath));
}

CSfxArchive::~CSfxArchive() {}

bool CSfxArchive::ReadDirectory(const char *pszArchivePath)
{
    if (pszArchivePath == NULL)
        throw CWinFileException(ERROR_INVALID_PARAMETER);
    CWinFile file(pszArchivePath, GENERIC_READ, OPEN_EXISTING, FILE_SHARE_READ,
                  FILE_ATTRIBUTE_NORMAL, NULL, NULL);
    char szName[kSfxNameBufferSize];
    memset(szName, 0, sizeof szName);
    DWORD dwMagicLength = (DWORD)strlen(gpszSfxMagic);
    SeekBack(file, dwMagicLength);
    file.Read(szName, dwMagicLength, NULL);
    if (strncmp(szName, gpszSfxMagic, dwMagicLength) != 0)
        return false;

    DWORD dwPos = dwMagicLength + 4;
    SeekBack(file, dwPos);
    m_nEntryCount = (LONG)ReadDword(file);
    if (m_nEntryCount == 0)
        return false;

    // Counts down to the first record; a negative count reads none.
    for (LONG nLeft = m_nEntryCount; nLeft > 0; --nLeft) {
        StepBack(dwPos, 4);
        SeekBack(file, dwPos);
        DWORD dwNameLength = ReadDword(file);
        // The buffer holds at most 1023 name bytes and the zero after them.
        if (dwNameLength >= kSfxNameBufferSize)
            throw CWinFileException(ERROR_FILENAME_EXCED_RANGE);

        StepBack(dwPos, dwNameLength);
        memset(szName, 0, sizeof szName);
        SeekBack(file, dwPos);
        file.Read(szName, dwNameLength, NULL);

        StepBack(dwPos, 4);
        SeekBack(file, dwPos);
        DWORD dwSize = ReadDword(file);

        StepBack(dwPos, 4);
        SeekBack(file, dwPos);
        DWORD dwOffset = ReadDword(file);

        SfxEntry entry;
        entry.m_strName = szName;
        entry.m_dwSize = dwSize;
        entry.m_dwOffset = dwOffset;
        m_Entries.push_back(entry);
    }
    file.Close();
    return true;
}
