#include "version_reader.h"

namespace w32ver {
namespace {

// The codes that the version functions give for each kind of failure.
const uint32_t kNotAnImage = 1812;         // ERROR_RESOURCE_DATA_NOT_FOUND
const uint32_t kNoResources = 1812;        // ERROR_RESOURCE_DATA_NOT_FOUND
const uint32_t kNoVersionType = 1813;      // ERROR_RESOURCE_TYPE_NOT_FOUND
const uint32_t kNoVersionName = 1814;      // ERROR_RESOURCE_NAME_NOT_FOUND
const uint32_t kNoVersionLanguage = 1815;  // ERROR_RESOURCE_LANG_NOT_FOUND
const uint32_t kBadImage = 1812;           // a header or offset points outside

const uint16_t kRtVersion = 16;
const uint16_t kVersionInfoName = 1;  // VS_VERSION_INFO
const uint32_t kHighBit = 0x80000000u;
const size_t kDirectoryHeader = 16;
const size_t kDirectoryEntry = 8;
const size_t kDataEntry = 16;
const size_t kSectionHeader = 40;
const uint32_t kResourceDirectoryIndex = 2;

// Bounds-checked little-endian reads from [pb, pb + cb).
class CView {
public:
    CView(const uint8_t *pb, size_t cb) : m_pb(pb), m_cb(cb) {}
    bool Has(size_t cbOffset, size_t cbLength) const
    {
        return cbOffset <= m_cb && cbLength <= m_cb - cbOffset;
    }
    bool Word(size_t cbOffset, uint16_t *pw) const
    {
        if (!Has(cbOffset, 2))
            return false;
        *pw = (uint16_t)(m_pb[cbOffset] | m_pb[cbOffset + 1] << 8);
        return true;
    }
    bool Dword(size_t cbOffset, uint32_t *pdw) const
    {
        uint16_t wLow = 0, wHigh = 0;
        if (!Word(cbOffset, &wLow) || !Word(cbOffset + 2, &wHigh))
            return false;
        *pdw = (uint32_t)wLow | (uint32_t)wHigh << 16;
        return true;
    }

private:
    const uint8_t *m_pb;
    size_t m_cb;
};

struct Section {
    uint32_t dwRva;
    uint32_t cbExtent;  // bytes of the section that come from the file
    uint32_t cbFileOffset;
};

// The section table, read on demand.
class CSections {
public:
    CSections(const CView &view, size_t cbTable, uint16_t wCount)
        : m_view(view), m_cbTable(cbTable), m_wCount(wCount)
    {
    }
    bool Valid() const { return m_view.Has(m_cbTable, (size_t)m_wCount * kSectionHeader); }

    // The file offset of [dwRva, dwRva + cbLength) when one section's file
    // data holds all of it; *pcbRest is what the section holds from dwRva on.
    bool Map(uint32_t dwRva, uint32_t cbLength, size_t *pcbOffset, uint32_t *pcbRest) const
    {
        for (uint16_t i = 0; i < m_wCount; ++i) {
            Section section;
            if (!Read(i, &section))
                return false;
            if (dwRva < section.dwRva || dwRva - section.dwRva >= section.cbExtent)
                continue;
            uint32_t cbInto = dwRva - section.dwRva;
            uint32_t cbRest = section.cbExtent - cbInto;
            size_t cbOffset = (size_t)section.cbFileOffset + cbInto;
            if (cbLength > cbRest || !m_view.Has(cbOffset, cbRest))
                return false;
            *pcbOffset = cbOffset;
            if (pcbRest)
                *pcbRest = cbRest;
            return true;
        }
        return false;
    }

private:
    bool Read(uint16_t wIndex, Section *pSection) const
    {
        size_t cb = m_cbTable + (size_t)wIndex * kSectionHeader;
        uint32_t cbVirtual = 0, cbRaw = 0;
        if (!m_view.Dword(cb + 8, &cbVirtual) || !m_view.Dword(cb + 12, &pSection->dwRva) ||
            !m_view.Dword(cb + 16, &cbRaw) || !m_view.Dword(cb + 20, &pSection->cbFileOffset))
            return false;
        // What lies past the virtual size is not part of the image; what the
        // virtual size has past the raw data is zeros that the file lacks.
        pSection->cbExtent = cbVirtual != 0 && cbVirtual < cbRaw ? cbVirtual : cbRaw;
        return true;
    }

    const CView &m_view;
    size_t m_cbTable;
    uint16_t m_wCount;
};

// An entry of a resource directory: its name or integer id, and the offset
// (from the tree's root) of a directory (high bit set) or of a data entry.
struct DirectoryEntry {
    uint32_t dwName;
    uint32_t dwTarget;
};

// The resource tree; every offset in it counts from its root and stays
// inside the section that holds the root.
class CResourceTree {
public:
    CResourceTree(const CView &view, size_t cbRoot, uint32_t cbExtent)
        : m_view(view), m_cbRoot(cbRoot), m_cbExtent(cbExtent)
    {
    }

    // The counts of named and of integer entries of the directory at
    // cbDirectory; false when the directory or its entries lie outside.
    bool Count(uint32_t cbDirectory, uint32_t *pdwNamed, uint32_t *pdwIds) const
    {
        uint16_t wNamed = 0, wIds = 0;
        if (!Inside(cbDirectory, kDirectoryHeader) || !m_view.Word(m_cbRoot + cbDirectory + 12, &wNamed) ||
            !m_view.Word(m_cbRoot + cbDirectory + 14, &wIds))
            return false;
        *pdwNamed = wNamed;
        *pdwIds = wIds;
        return Inside(cbDirectory + kDirectoryHeader, ((size_t)wNamed + wIds) * kDirectoryEntry);
    }
    // Entry dwIndex of a directory, the named entries first.
    bool Entry(uint32_t cbDirectory, uint32_t dwIndex, DirectoryEntry *pEntry) const
    {
        size_t cb = m_cbRoot + cbDirectory + kDirectoryHeader + (size_t)dwIndex * kDirectoryEntry;
        return m_view.Dword(cb, &pEntry->dwName) && m_view.Dword(cb + 4, &pEntry->dwTarget);
    }
    bool DataEntry(uint32_t cbEntry, uint32_t *pdwRva, uint32_t *pcbSize) const
    {
        return Inside(cbEntry, kDataEntry) && m_view.Dword(m_cbRoot + cbEntry, pdwRva) &&
               m_view.Dword(m_cbRoot + cbEntry + 4, pcbSize);
    }

private:
    bool Inside(size_t cbOffset, size_t cbLength) const
    {
        return cbOffset <= m_cbExtent && cbLength <= m_cbExtent - cbOffset;
    }

    const CView &m_view;
    size_t m_cbRoot;
    uint32_t m_cbExtent;
};

// Follows the type, name and language levels to the version data entry.
uint32_t FindVersionEntry(const CResourceTree &tree, uint32_t *pcbDataEntry)
{
    uint32_t dwNamed = 0, dwIds = 0;
    if (!tree.Count(0, &dwNamed, &dwIds))
        return kBadImage;
    DirectoryEntry entry = {0, 0};
    bool bFound = false;
    for (uint32_t i = dwNamed; i < dwNamed + dwIds && !bFound; ++i) {
        if (!tree.Entry(0, i, &entry))
            return kBadImage;
        bFound = entry.dwName == kRtVersion;
    }
    if (!bFound)
        return kNoVersionType;
    // Exactly two more levels, so a tree whose entries point back at a
    // directory above cannot make the walk go round. The name is the
    // integer 1; the language is the first one given.
    for (int nLevel = 0; nLevel < 2; ++nLevel) {
        if (!(entry.dwTarget & kHighBit))
            return kBadImage;  // a leaf where a directory must be
        uint32_t cbDirectory = entry.dwTarget & ~kHighBit;
        if (!tree.Count(cbDirectory, &dwNamed, &dwIds))
            return kBadImage;
        uint32_t dwFirst = nLevel == 0 ? dwNamed : 0;
        bFound = false;
        for (uint32_t i = dwFirst; i < dwNamed + dwIds && !bFound; ++i) {
            if (!tree.Entry(cbDirectory, i, &entry))
                return kBadImage;
            bFound = nLevel == 1 || entry.dwName == kVersionInfoName;
        }
        if (!bFound)
            return nLevel == 0 ? kNoVersionName : kNoVersionLanguage;
    }
    if (entry.dwTarget & kHighBit)
        return kBadImage;  // a fourth level: deeper than a resource tree goes
    *pcbDataEntry = entry.dwTarget;
    return 0;
}

}  // namespace

uint32_t FindVersionResource(const uint8_t *pbFile, size_t cbFile, VersionResource *pResource)
{
    CView view(pbFile, cbFile);
    uint16_t wMagic = 0;
    uint32_t cbPe = 0, dwSignature = 0;
    if (!view.Word(0, &wMagic) || wMagic != 0x5A4D || !view.Dword(0x3C, &cbPe) ||
        !view.Dword((size_t)cbPe, &dwSignature) || dwSignature != 0x00004550)
        return kNotAnImage;

    uint16_t wSections = 0, cbOptional = 0, wOptionalMagic = 0;
    size_t cbOptionalHeader = (size_t)cbPe + 24;
    if (!view.Word((size_t)cbPe + 6, &wSections) || !view.Word((size_t)cbPe + 20, &cbOptional) ||
        !view.Word(cbOptionalHeader, &wOptionalMagic))
        return kNotAnImage;
    size_t cbDirectories = 0;
    if (wOptionalMagic == 0x010B)
        cbDirectories = 96;
    else if (wOptionalMagic == 0x020B)
        cbDirectories = 112;
    else
        return kNotAnImage;
    uint32_t dwDirectoryCount = 0;
    if (!view.Dword(cbOptionalHeader + cbDirectories - 4, &dwDirectoryCount) || cbOptional < cbDirectories)
        return kNotAnImage;

    uint32_t dwResourceRva = 0, cbResources = 0;
    size_t cbResourceDirectory = cbOptionalHeader + cbDirectories + kResourceDirectoryIndex * 8;
    if (dwDirectoryCount <= kResourceDirectoryIndex || cbResourceDirectory + 8 > cbOptionalHeader + cbOptional)
        return kNoResources;
    if (!view.Dword(cbResourceDirectory, &dwResourceRva) || !view.Dword(cbResourceDirectory + 4, &cbResources))
        return kNotAnImage;
    if (dwResourceRva == 0 || cbResources == 0)
        return kNoResources;

    CSections sections(view, cbOptionalHeader + cbOptional, wSections);
    if (!sections.Valid())
        return kNotAnImage;
    size_t cbRoot = 0;
    uint32_t cbTree = 0;
    if (!sections.Map(dwResourceRva, (uint32_t)kDirectoryHeader, &cbRoot, &cbTree))
        return kBadImage;

    CResourceTree tree(view, cbRoot, cbTree);
    uint32_t cbDataEntry = 0;
    uint32_t dwError = FindVersionEntry(tree, &cbDataEntry);
    if (dwError)
        return dwError;
    uint32_t dwDataRva = 0, cbData = 0;
    size_t cbData0 = 0;
    if (!tree.DataEntry(cbDataEntry, &dwDataRva, &cbData) || !sections.Map(dwDataRva, cbData, &cbData0, nullptr))
        return kBadImage;
    pResource->cbOffset = cbData0;
    pResource->cbSize = cbData;
    return 0;
}

bool FindFixedFileInfo(const uint8_t *pbBlock, size_t cbBlock, size_t *pcbOffset, uint16_t *pcbValue)
{
    CView view(pbBlock, cbBlock);
    uint16_t wLength = 0, wValueLength = 0;
    if (!view.Word(0, &wLength) || !view.Word(2, &wValueLength))
        return false;
    CView block(pbBlock, wLength < cbBlock ? wLength : cbBlock);
    // The key "VS_VERSION_INFO" in UTF-16 follows the three header words.
    size_t cb = 6;
    for (uint16_t wChar = 1; wChar != 0; cb += 2) {
        if (!block.Word(cb, &wChar))
            return false;
    }
    cb = (cb + 3) & ~(size_t)3;
    if (wValueLength == 0 || !block.Has(cb, wValueLength))
        return false;
    *pcbOffset = cb;
    *pcbValue = wValueLength;
    return true;
}

}  // namespace w32ver
