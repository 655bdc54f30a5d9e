// Writes a small, valid PE DLL that carries nothing but a version resource.
// Tests, benchmarks and the demo make their "KsUpdate.dll" copies with it.
// Plain C++ with no Win32 call, so that it builds for every target and for
// the fuzzer's seed corpus.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>

struct VersionDllSpec {
    // major, minor, build, revision
    uint16_t wFileVersion[4] = {1, 0, 0, 0};
    uint16_t wProductVersion[4] = {1, 0, 0, 0};
    bool bPe32 = false;            // PE32 for i386 instead of PE32+ for x86-64
    bool bResourceSection = true;  // false: no resource directory at all
    bool bVersionResource = true;  // false: the resources hold RT_RCDATA only
    uint32_t dwSignature = 0xFEEF04BDu;  // of the fixed file information
    uint16_t wResourceName = 1;    // the version resource's integer name
    uint16_t wLanguage = 0x0409;
};

// Where the parts of a built file lie (file offsets), for tests that damage one.
struct VersionDllLayout {
    size_t cbPeHeader = 0;      // "PE\0\0"
    size_t cbOptionalHeader = 0;
    size_t cbSectionTable = 0;  // the one section header, ".rsrc"
    size_t cbResources = 0;     // the section's raw data: the resource root
    size_t cbDataEntry = 0;     // the version resource's data entry
    size_t cbBlock = 0;         // the VS_VERSIONINFO block
    size_t cbBlockSize = 0;
    size_t cbFixedInfo = 0;     // its VS_FIXEDFILEINFO
    uint32_t dwSectionRva = 0;
};

std::string BuildVersionDll(const VersionDllSpec &dllSpec, VersionDllLayout *pLayout = nullptr);

// "1.30.5.0", "1.30" ...: up to four dot-separated numbers below 65536, the
// missing ones 0. false on anything else.
bool ParseVersionText(const char *pszText, uint16_t wVersion[4]);
