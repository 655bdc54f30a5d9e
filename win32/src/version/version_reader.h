// The version resource of a PE image held in memory. No Win32 call and no
// file access, so that the fuzz target drives exactly what the API uses.
#pragma once

#include <stddef.h>
#include <stdint.h>

namespace w32ver {

struct VersionResource {
    size_t cbOffset = 0;  // of the VS_VERSIONINFO block in the file
    uint32_t cbSize = 0;  // as the data entry gives it; lies inside the file
};

// Finds the version resource: the entry of type RT_VERSION and name
// VS_VERSION_INFO (1) of the resource tree, in its first language. Returns 0, or the Win32 error
// code that the failure gives. Reads only inside pbFile[0, cbFile).
uint32_t FindVersionResource(const uint8_t *pbFile, size_t cbFile, VersionResource *pResource);

// The offset and length of the value of a version block's root, which is
// its VS_FIXEDFILEINFO: after the key on a 32-bit boundary. false when the
// block has no value inside its first cbBlock bytes and its own length. The
// signature is the caller's to check, as the system leaves it.
bool FindFixedFileInfo(const uint8_t *pbBlock, size_t cbBlock, size_t *pcbOffset, uint16_t *pcbValue);

}  // namespace w32ver
