// Extraction of the container's members, one file each, in file order.
#include "SfxArchive.h"

#include "PathHelpers.h"
#include "SfxNames.h"
#include "WinFile.h"
#include "WinFileException.h"

namespace {
// The copy goes through this fixed buffer: one read and one write per chunk.
const DWORD kCopyChunk = 1000;
}  // namespace

bool CSfxArchive::Extract(const char *pszExtractPath)
{
    if (pszExtractPath == NULL)
        throw CWinFileException(ERROR_INVALID_PARAMETER);
    if (MakeDirectoryPath(pszExtractPath) != 0)
        throw CWinFileException(ERROR_INVALID_PARAMETER);
    if (!ReadDirectory(m_szArchivePath))
        return false;
    CWinFile file(m_szArchivePath, GENERIC_READ, OPEN_EXISTING, FILE_SHARE_READ,
                  FILE_ATTRIBUTE_NORMAL, NULL, NULL);
    // m_Entries holds the last record first: counting down extracts in file
    // order. A negative count extracts nothing.
    for (LONG nIndex = m_nEntryCount - 1; nIndex >= 0 && m_nEntryCount > 0; --nIndex)
        ExtractEntry(file, (int)nIndex, pszExtractPath);
    file.Close();
    return true;
}

bool CSfxArchive::ExtractEntry(CWinFile &file, int nIndex, const char *pszExtractPath)
{
    if (nIndex < 0 || (size_t)nIndex >= m_Entries.size() || pszExtractPath == NULL)
        throw CWinFileException(ERROR_INVALID_PARAMETER);
    const SfxEntry &entry = m_Entries[nIndex];
    // A name with a directory part, a drive or a stream, or one that Windows
    // reads as a device, would land outside the working directory.
    if (!IsPlainMemberName(entry.m_strName.c_str()))
        throw CWinFileException(ERROR_INVALID_NAME);
    char szDest[MAX_PATH + 1];
    memset(szDest, 0, sizeof szDest);
    if (!PathAppendName(const_cast<char *>(pszExtractPath), entry.m_strName.c_str(), szDest))
        throw CWinFileException(ERROR_FILENAME_EXCED_RANGE);

    CWinFile dest(szDest, GENERIC_WRITE, CREATE_ALWAYS, 0, FILE_ATTRIBUTE_NORMAL, NULL, NULL);
    file.Seek((LONG)entry.m_dwOffset, FILE_BEGIN);
    char buffer[kCopyChunk];
    DWORD dwCopied = 0;
    while (dwCopied < entry.m_dwSize) {
        DWORD dwWant = entry.m_dwSize - dwCopied;
        if (dwWant > kCopyChunk)
            dwWant = kCopyChunk;
        DWORD dwRead = file.Read(buffer, dwWant, NULL);
        if (dwRead == 0)
            throw CWinFileException(ERROR_HANDLE_EOF);  // the container ends inside the member
        dest.Write(buffer, dwRead, NULL);
        dwCopied += dwRead;
    }
    dest.Close();
    return true;
}
