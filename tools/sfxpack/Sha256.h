// SHA-256 of a byte stream, for listing a container's members.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>

class CSha256 {
public:
    CSha256();
    void Update(const void *pData, size_t nSize);
    // The digest as 64 lower-case hex digits; the object is spent afterwards.
    std::string HexDigest();

private:
    void Block(const uint8_t *pBlock);

    uint32_t m_state[8];
    uint8_t m_buffer[64];
    size_t m_nBuffered;
    uint64_t m_nTotal;
};
