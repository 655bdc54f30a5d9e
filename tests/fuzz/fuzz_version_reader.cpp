// libFuzzer target: the version-resource reader of the Linux layer on any
// bytes taken as a whole file, then the root query on the block it finds,
// as GetFileVersionInfoA and VerQueryValueA run them.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <vector>

#include "version_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pbData, size_t cbData)
{
    // A copy of exactly the input's size, so that any read past the file is
    // one past a heap block.
    std::vector<uint8_t> file(pbData, pbData + cbData);
    w32ver::VersionResource resource;
    if (w32ver::FindVersionResource(file.data(), file.size(), &resource) != 0)
        return 0;
    if (resource.cbOffset > cbData || resource.cbSize > cbData - resource.cbOffset)
        __builtin_trap();
    std::vector<uint8_t> block(file.begin() + resource.cbOffset,
                               file.begin() + resource.cbOffset + resource.cbSize);
    size_t cbFixedInfo = 0;
    uint16_t cbValue = 0;
    if (w32ver::FindFixedFileInfo(block.data(), block.size(), &cbFixedInfo, &cbValue)) {
        if (cbFixedInfo > block.size() || cbValue > block.size() - cbFixedInfo)
            __builtin_trap();
        volatile uint8_t bLast = block[cbFixedInfo + cbValue - 1];
        (void)bLast;
    }
    return 0;
}
