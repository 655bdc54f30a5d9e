// Builds payload containers byte by byte for the tests, well-formed or not.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

class CContainerBuilder {
public:
    // The bytes before the members (the executable image).
    explicit CContainerBuilder(const std::string &strImage = "MZ-image") : m_strBytes(strImage) {}

    // Appends a member's bytes and its record, as a packager does.
    CContainerBuilder &Member(const std::string &strName, const std::string &strData)
    {
        Record(Offset(), (uint32_t)strData.size(), strName);
        m_strBytes += strData;
        return *this;
    }
    // A record of any content; a name length other than the name's own size
    // when given.
    CContainerBuilder &Record(uint32_t nOffset, uint32_t nSize, const std::string &strName,
                              int64_t nNameLength = -1)
    {
        m_records.push_back({nOffset, nSize, strName,
                             nNameLength < 0 ? (uint32_t)strName.size() : (uint32_t)nNameLength});
        return *this;
    }
    uint32_t Offset() const { return (uint32_t)m_strBytes.size(); }

    // Records, the number of records as the count, and the magic.
    std::string Build() const { return BuildWithCount((int32_t)m_records.size()); }
    // Records, any count and any last ten bytes.
    std::string BuildWithCount(int32_t nCount, const std::string &strMagic = "!QUIL_SFX!") const
    {
        std::string str = m_strBytes;
        for (const CRecord &r : m_records) {
            Put(str, r.nOffset);
            Put(str, r.nSize);
            str += r.strName;
            Put(str, r.nNameLength);
        }
        Put(str, (uint32_t)nCount);
        return str + strMagic;
    }

    static void Put(std::string &str, uint32_t n)
    {
        for (int i = 0; i < 4; ++i)
            str += (char)((n >> (8 * i)) & 0xFF);
    }

private:
    struct CRecord {
        uint32_t nOffset, nSize;
        std::string strName;
        uint32_t nNameLength;
    };
    std::string m_strBytes;
    std::vector<CRecord> m_records;
};
