#include "VersionDll.h"

#include <stdio.h>
#include <stdlib.h>

#include <vector>

namespace {

const uint32_t kFileAlignment = 0x200;
const uint32_t kSectionAlignment = 0x1000;
const uint32_t kSectionRva = 0x1000;
const size_t kPeHeaderOffset = 0x80;
const uint16_t kRtVersion = 16;
const uint16_t kRtRcData = 10;

class CBytes {
public:
    void Byte(uint8_t b) { m_str.push_back((char)b); }
    void Word(uint16_t w)
    {
        Byte((uint8_t)w);
        Byte((uint8_t)(w >> 8));
    }
    void Dword(uint32_t dw)
    {
        Word((uint16_t)dw);
        Word((uint16_t)(dw >> 16));
    }
    void Qword(uint64_t qw)
    {
        Dword((uint32_t)qw);
        Dword((uint32_t)(qw >> 32));
    }
    void Zeros(size_t cb) { m_str.append(cb, '\0'); }
    void Align(size_t cbAlign) { Zeros((cbAlign - m_str.size() % cbAlign) % cbAlign); }
    void Bytes(const std::string &str) { m_str += str; }
    void Utf16(const char *pszAscii)  // with its terminator
    {
        for (const char *p = pszAscii; *p; ++p)
            Word((uint8_t)*p);
        Word(0);
    }
    void PatchWord(size_t cbAt, uint16_t w)
    {
        m_str[cbAt] = (char)w;
        m_str[cbAt + 1] = (char)(w >> 8);
    }
    void PatchDword(size_t cbAt, uint32_t dw)
    {
        PatchWord(cbAt, (uint16_t)dw);
        PatchWord(cbAt + 2, (uint16_t)(dw >> 16));
    }
    size_t Size() const { return m_str.size(); }
    const std::string &Str() const { return m_str; }

private:
    std::string m_str;
};

// One node of a version block: wLength, wValueLength, wType, the key, padding
// to 32 bits, the value, then the children, each on a 32-bit boundary.
struct VersionNode {
    std::string strKey;
    uint16_t wType = 0;           // 1: text value, 0: binary
    std::string strValue;         // bytes as stored
    uint16_t wValueLength = 0;    // bytes for binary, WCHARs for text
    std::vector<VersionNode> children;
};

void WriteNode(CBytes &out, const VersionNode &node)
{
    size_t cbStart = out.Size();
    out.Word(0);
    out.Word(node.wValueLength);
    out.Word(node.wType);
    out.Utf16(node.strKey.c_str());
    out.Align(4);
    out.Bytes(node.strValue);
    for (const VersionNode &child : node.children) {
        out.Align(4);
        WriteNode(out, child);
    }
    out.PatchWord(cbStart, (uint16_t)(out.Size() - cbStart));
}

std::string VersionText(const uint16_t w[4])
{
    char sz[64];
    snprintf(sz, sizeof sz, "%u.%u.%u.%u", w[0], w[1], w[2], w[3]);
    return sz;
}

VersionNode TextNode(const char *pszKey, const std::string &strText)
{
    VersionNode node;
    node.strKey = pszKey;
    node.wType = 1;
    CBytes value;
    value.Utf16(strText.c_str());
    node.strValue = value.Str();
    node.wValueLength = (uint16_t)(strText.size() + 1);
    return node;
}

std::string VersionBlock(const VersionDllSpec &dllSpec, size_t *pcbFixedInfo)
{
    CBytes fixed;
    fixed.Dword(dllSpec.dwSignature);
    fixed.Dword(0x00010000u);
    fixed.Dword((uint32_t)dllSpec.wFileVersion[0] << 16 | dllSpec.wFileVersion[1]);
    fixed.Dword((uint32_t)dllSpec.wFileVersion[2] << 16 | dllSpec.wFileVersion[3]);
    fixed.Dword((uint32_t)dllSpec.wProductVersion[0] << 16 | dllSpec.wProductVersion[1]);
    fixed.Dword((uint32_t)dllSpec.wProductVersion[2] << 16 | dllSpec.wProductVersion[3]);
    fixed.Dword(0x3F);         // flags mask
    fixed.Dword(0);            // flags
    fixed.Dword(0x00040004u);  // VOS_NT_WINDOWS32
    fixed.Dword(2);            // VFT_DLL
    fixed.Dword(0);
    fixed.Dword(0);
    fixed.Dword(0);

    VersionNode root;
    root.strKey = "VS_VERSION_INFO";
    root.strValue = fixed.Str();
    root.wValueLength = (uint16_t)fixed.Size();

    VersionNode table;
    table.strKey = "040904B0";
    table.wType = 1;
    table.children.push_back(TextNode("FileVersion", VersionText(dllSpec.wFileVersion)));
    table.children.push_back(TextNode("ProductVersion", VersionText(dllSpec.wProductVersion)));
    VersionNode strings;
    strings.strKey = "StringFileInfo";
    strings.wType = 1;
    strings.children.push_back(table);
    root.children.push_back(strings);

    VersionNode translation;
    translation.strKey = "Translation";
    CBytes lang;
    lang.Word(dllSpec.wLanguage);
    lang.Word(1200);
    translation.strValue = lang.Str();
    translation.wValueLength = 4;
    VersionNode vars;
    vars.strKey = "VarFileInfo";
    vars.wType = 1;
    vars.children.push_back(translation);
    root.children.push_back(vars);

    CBytes out;
    WriteNode(out, root);
    // Header (6 bytes) and the key "VS_VERSION_INFO" (32 bytes) end on a
    // 32-bit boundary only after 2 bytes of padding.
    *pcbFixedInfo = 6 + 32 + 2;
    return out.Str();
}

// The resource section: a three-level tree (type, name, language) with one
// leaf, then the leaf's data.
std::string ResourceSection(const VersionDllSpec &dllSpec, VersionDllLayout &layout)
{
    std::string strData;
    size_t cbFixedInfo = 0;
    if (dllSpec.bVersionResource)
        strData = VersionBlock(dllSpec, &cbFixedInfo);
    else
        strData = "not a version block";
    uint16_t wType = dllSpec.bVersionResource ? kRtVersion : kRtRcData;

    CBytes out;
    const uint32_t kSubdirectory = 0x80000000u;
    const uint32_t aIds[3] = {wType, dllSpec.wResourceName, dllSpec.wLanguage};
    for (int nLevel = 0; nLevel < 3; ++nLevel) {
        out.Zeros(12);  // characteristics, time stamp, version
        out.Word(0);    // named entries
        out.Word(1);    // id entries
        out.Dword(aIds[nLevel]);
        uint32_t dwNext = (uint32_t)out.Size() + 4;
        out.Dword(nLevel < 2 ? (dwNext | kSubdirectory) : dwNext);
    }
    layout.cbDataEntry = out.Size();
    uint32_t dwDataOffset = (uint32_t)out.Size() + 16;
    out.Dword(kSectionRva + dwDataOffset);
    out.Dword((uint32_t)strData.size());
    out.Dword(0);
    out.Dword(0);
    out.Bytes(strData);
    layout.cbBlock = dwDataOffset;
    layout.cbBlockSize = dllSpec.bVersionResource ? strData.size() : 0;
    layout.cbFixedInfo = dllSpec.bVersionResource ? dwDataOffset + cbFixedInfo : 0;
    return out.Str();
}

uint32_t AlignUp(uint32_t dw, uint32_t dwAlign) { return (dw + dwAlign - 1) / dwAlign * dwAlign; }

}  // namespace

std::string BuildVersionDll(const VersionDllSpec &dllSpec, VersionDllLayout *pLayout)
{
    VersionDllLayout layout;
    std::string strSection;
    if (dllSpec.bResourceSection)
        strSection = ResourceSection(dllSpec, layout);
    else
        strSection = "no resources";  // a section must hold something
    uint32_t dwVirtualSize = (uint32_t)strSection.size();
    uint32_t dwRawSize = AlignUp(dwVirtualSize, kFileAlignment);
    uint32_t dwImageSize = kSectionRva + AlignUp(dwVirtualSize, kSectionAlignment);
    const uint32_t dwHeaderSize = kFileAlignment;

    CBytes out;
    // DOS header: only its signature and the offset of the PE header count.
    out.Word(0x5A4D);
    out.Zeros(0x3C - 2);
    out.Dword((uint32_t)kPeHeaderOffset);
    out.Zeros(kPeHeaderOffset - out.Size());

    layout.cbPeHeader = out.Size();
    out.Dword(0x00004550);                        // "PE\0\0"
    out.Word(dllSpec.bPe32 ? 0x014C : 0x8664);       // machine
    out.Word(1);                                  // sections
    out.Dword(0);                                 // time stamp
    out.Dword(0);                                 // symbol table
    out.Dword(0);                                 // symbols
    out.Word(dllSpec.bPe32 ? 224 : 240);             // optional header size
    // executable image, DLL; 32-bit machine or large address aware
    out.Word((uint16_t)(0x0002 | 0x2000 | (dllSpec.bPe32 ? 0x0100 : 0x0020)));

    layout.cbOptionalHeader = out.Size();
    out.Word(dllSpec.bPe32 ? 0x010B : 0x020B);
    out.Byte(2);   // linker version
    out.Byte(40);
    out.Dword(0);  // size of code
    out.Dword(dwRawSize);  // size of initialised data
    out.Dword(0);  // size of uninitialised data
    out.Dword(0);  // entry point: none, the DLL has no code
    out.Dword(kSectionRva);  // base of code
    if (dllSpec.bPe32) {
        out.Dword(kSectionRva);  // base of data
        out.Dword(0x10000000u);  // image base
    } else {
        out.Qword(0x180000000ull);
    }
    out.Dword(kSectionAlignment);
    out.Dword(kFileAlignment);
    out.Word(4);  // operating system version
    out.Word(0);
    out.Word(0);  // image version
    out.Word(0);
    out.Word(5);  // subsystem version
    out.Word(dllSpec.bPe32 ? 1 : 2);
    out.Dword(0);
    out.Dword(dwImageSize);
    out.Dword(dwHeaderSize);
    out.Dword(0);       // checksum
    out.Word(2);        // subsystem: Windows GUI
    out.Word(0x0140);   // DLL characteristics: dynamic base, NX compatible
    if (dllSpec.bPe32) {
        out.Dword(0x100000);  // stack reserve, commit, heap reserve, commit
        out.Dword(0x1000);
        out.Dword(0x100000);
        out.Dword(0x1000);
    } else {
        out.Qword(0x100000);
        out.Qword(0x1000);
        out.Qword(0x100000);
        out.Qword(0x1000);
    }
    out.Dword(0);   // loader flags
    out.Dword(16);  // data directories
    for (int i = 0; i < 16; ++i) {
        bool bResources = i == 2 && dllSpec.bResourceSection;
        out.Dword(bResources ? kSectionRva : 0);
        out.Dword(bResources ? dwVirtualSize : 0);
    }

    layout.cbSectionTable = out.Size();
    out.Bytes(std::string(".rsrc\0\0\0", 8));
    out.Dword(dwVirtualSize);
    out.Dword(kSectionRva);
    out.Dword(dwRawSize);
    out.Dword(dwHeaderSize);
    out.Dword(0);  // relocations
    out.Dword(0);  // line numbers
    out.Word(0);
    out.Word(0);
    out.Dword(0x40000040u);  // initialised data, readable
    out.Zeros(dwHeaderSize - out.Size());

    size_t cbSection = out.Size();
    out.Bytes(strSection);
    out.Align(kFileAlignment);

    if (dllSpec.bResourceSection) {
        layout.cbResources = cbSection;
        layout.cbDataEntry += cbSection;
        layout.cbBlock += cbSection;
        if (layout.cbFixedInfo)
            layout.cbFixedInfo += cbSection;
    }
    layout.dwSectionRva = kSectionRva;
    if (pLayout)
        *pLayout = layout;
    return out.Str();
}

bool ParseVersionText(const char *pszText, uint16_t wVersion[4])
{
    uint16_t w[4] = {0, 0, 0, 0};
    const char *p = pszText;
    for (int i = 0; i < 4; ++i) {
        if (*p < '0' || *p > '9')
            return false;
        unsigned long ul = 0;
        while (*p >= '0' && *p <= '9') {
            ul = ul * 10 + (unsigned long)(*p++ - '0');
            if (ul > 0xFFFF)
                return false;
        }
        w[i] = (uint16_t)ul;
        if (*p == '\0') {
            for (int j = 0; j < 4; ++j)
                wVersion[j] = w[j];
            return true;
        }
        if (*p++ != '.')
            return false;
    }
    return false;
}
