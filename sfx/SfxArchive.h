// The payload container appended to the patch executable, and its reader.
//
// Layout, every integer 32-bit little-endian, every offset absolute:
//   member data | records | count (signed) | "!QUIL_SFX!"
// One record: offset, size, name bytes (no zero), name length. The name
// length comes last so that the directory reads backward from the count.
// Names have fewer than 1024 bytes; offsets and sizes are below 2^31.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class CWinFile;

extern const char *const gpszSfxMagic;

// A record's name length must stay below this.
const DWORD kSfxNameBufferSize = 1024;

struct SfxEntry {
    std::string m_strName;  // up to the name's first zero byte
    DWORD m_dwSize = 0;
    DWORD m_dwOffset = 0;
};

class CSfxArchive {
public:
    // The container of the running executable.
    CSfxArchive();
    // The container of another file (the packager, tests); a path longer
    // than MAX_PATH is left empty, so the first open fails.
    explicit CSfxArchive(const char *pszArchivePath);
    virtual ~CSfxArchive();
    CSfxArchive(const CSfxArchive &) = delete;
    CSfxArchive &operator=(const CSfxArchive &) = delete;

    // Creates the directory, reads the container's directory and writes every
    // member into pszExtractPath in file order. False when the file carries
    // no directory; every failure below is a CCommonException.
    bool Extract(const char *pszExtractPath);

    // Appends the container's records to m_Entries, last record first. True
    // when the file ends with the magic and a count that is not 0; false
    // otherwise. Throws CWinFileException for a null path, for any file
    // error, and for a name length of kSfxNameBufferSize or more.
    bool ReadDirectory(const char *pszArchivePath);

    const std::vector<SfxEntry> &Entries() const { return m_Entries; }
    const char *ArchivePath() const { return m_szArchivePath; }

protected:
    // Writes element nIndex of m_Entries into pszExtractPath; true, or throws.
    // A name that is not a plain file name is refused with ERROR_INVALID_NAME
    // before anything is created.
    bool ExtractEntry(CWinFile &file, int nIndex, const char *pszExtractPath);

    std::vector<SfxEntry> m_Entries;
    LONG m_nEntryCount;
    char m_szArchivePath[MAX_PATH + 1];
};
