// Error codes and path rules of the file functions that the product relies on.
#include <gtest/gtest.h>

#include <io.h>

#include "TestSupport.h"

namespace {

TEST(LayerFiles, ErrorCodesForMissingFilesAndDirectories)
{
    CTestDir dir;
    ASSERT_TRUE(WriteFileBytes(dir / "file.txt", "x"));
    struct Case {
        std::string strPath;
        DWORD dwError;
    } cases[] = {
        {dir / "missing.txt", ERROR_FILE_NOT_FOUND},
        {dir / "missing-dir\\file.txt", ERROR_PATH_NOT_FOUND},
        {dir / "missing-dir\\deeper\\file.txt", ERROR_PATH_NOT_FOUND},
        {dir / "file.txt\\below.txt", ERROR_PATH_NOT_FOUND},
    };
    for (const Case &c : cases) {
        SetLastError(0);
        EXPECT_EQ(GetFileAttributesA(c.strPath.c_str()), INVALID_FILE_ATTRIBUTES) << c.strPath;
        EXPECT_EQ(GetLastError(), c.dwError) << "GetFileAttributesA " << c.strPath;
        WIN32_FILE_ATTRIBUTE_DATA data;
        SetLastError(0);
        EXPECT_FALSE(GetFileAttributesExA(c.strPath.c_str(), GetFileExInfoStandard, &data));
        EXPECT_EQ(GetLastError(), c.dwError) << "GetFileAttributesExA " << c.strPath;
        SetLastError(0);
        EXPECT_FALSE(DeleteFileA(c.strPath.c_str()));
        EXPECT_EQ(GetLastError(), c.dwError) << "DeleteFileA " << c.strPath;
    }
}

TEST(LayerFiles, AttributeDataOfFilesAndDirectories)
{
    CTestDir dir;
    ASSERT_TRUE(WriteFileBytes(dir / "five.txt", "12345"));
    ASSERT_TRUE(CreateDirectoryA((dir / "sub").c_str(), NULL));
    WIN32_FILE_ATTRIBUTE_DATA data;
    ASSERT_TRUE(GetFileAttributesExA((dir / "FIVE.TXT").c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(data.dwFileAttributes, GetFileAttributesA((dir / "five.txt").c_str()));
    EXPECT_EQ(data.nFileSizeLow, 5u);
    EXPECT_EQ(data.nFileSizeHigh, 0u);
    EXPECT_NE(data.ftLastWriteTime.dwHighDateTime, 0u);
    ASSERT_TRUE(GetFileAttributesExA((dir / "sub").c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY, (DWORD)FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(data.nFileSizeLow, 0u);
    SetLastError(0);
    EXPECT_FALSE(GetFileAttributesExA((dir / "five.txt").c_str(), GetFileExMaxInfoLevel, &data));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
}

TEST(LayerFiles, CreateDirectory)
{
    CTestDir dir;
    EXPECT_TRUE(CreateDirectoryA((dir / "new").c_str(), NULL));
    EXPECT_FALSE(CreateDirectoryA((dir / "new").c_str(), NULL));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_ALREADY_EXISTS);
    EXPECT_TRUE(CreateDirectoryA((dir / "with-slash\\").c_str(), NULL)) << "a trailing backslash";
    ASSERT_TRUE(WriteFileBytes(dir / "file", "x"));
    EXPECT_FALSE(CreateDirectoryA((dir / "file").c_str(), NULL));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_ALREADY_EXISTS) << "a file of that name";
    EXPECT_FALSE(CreateDirectoryA((dir / "missing\\new").c_str(), NULL));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(GetFileAttributesA((dir / "new").c_str()) & FILE_ATTRIBUTE_DIRECTORY,
              (DWORD)FILE_ATTRIBUTE_DIRECTORY);
}

TEST(LayerFiles, NamesMatchWithoutRegardToCaseAndSlashKind)
{
    CTestDir dir;
    ASSERT_TRUE(CreateDirectoryA((dir / "console").c_str(), NULL));
    ASSERT_TRUE(CreateDirectoryA((dir / "console\\Tools").c_str(), NULL));
    ASSERT_TRUE(WriteFileBytes(dir / "console\\Tools\\Admin.exe", "x"));
    EXPECT_TRUE(FileExists(dir / "Console\\TOOLS\\admin.EXE"));
    EXPECT_TRUE(FileExists(dir / "CONSOLE/tools/Admin.exe"));
    EXPECT_EQ(_access((dir / "Console\\Tools").c_str(), 0), 0);
    EXPECT_EQ(_access((dir / "Console\\Nothing").c_str(), 0), -1);
}

TEST(LayerFiles, CopyFileKeepsOrRefusesAnExistingTarget)
{
    CTestDir dir;
    ASSERT_TRUE(WriteFileBytes(dir / "a", "new"));
    ASSERT_TRUE(WriteFileBytes(dir / "b", "old"));
    EXPECT_FALSE(CopyFileA((dir / "a").c_str(), (dir / "b").c_str(), TRUE));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_EXISTS);
    EXPECT_EQ(ReadFileBytes(dir / "b"), "old");
    EXPECT_TRUE(CopyFileA((dir / "a").c_str(), (dir / "b").c_str(), FALSE));
    EXPECT_EQ(ReadFileBytes(dir / "b"), "new");
    EXPECT_FALSE(CopyFileA((dir / "none").c_str(), (dir / "c").c_str(), FALSE));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_NOT_FOUND);
}

// The copy takes the source's attributes and write time, whatever its size.
TEST(LayerFiles, CopyFileCarriesAttributesAndWriteTime)
{
    CTestDir dir;
    struct Case {
        size_t nSize;
        DWORD dwAttributes;
    } cases[] = {
        {0, FILE_ATTRIBUTE_ARCHIVE},
        {5000, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE},
        {300000, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE},
    };
    for (const Case &c : cases) {
        std::string strSrc = dir / ("src" + std::to_string(c.nSize));
        std::string strDest = dir / ("dest" + std::to_string(c.nSize));
        ASSERT_TRUE(WriteFileBytes(strSrc, std::string(c.nSize, 'x')));
        ASSERT_TRUE(SetFileAttributesA(strSrc.c_str(), c.dwAttributes));
        WIN32_FILE_ATTRIBUTE_DATA src, dest;
        ASSERT_TRUE(GetFileAttributesExA(strSrc.c_str(), GetFileExInfoStandard, &src));
        ASSERT_TRUE(CopyFileA(strSrc.c_str(), strDest.c_str(), TRUE)) << GetLastError();
        ASSERT_TRUE(GetFileAttributesExA(strDest.c_str(), GetFileExInfoStandard, &dest));
        EXPECT_EQ(src.dwFileAttributes, dest.dwFileAttributes) << c.nSize;
        EXPECT_EQ(c.nSize, dest.nFileSizeLow);
        EXPECT_EQ(src.ftLastWriteTime.dwLowDateTime, dest.ftLastWriteTime.dwLowDateTime) << c.nSize;
        EXPECT_EQ(src.ftLastWriteTime.dwHighDateTime, dest.ftLastWriteTime.dwHighDateTime) << c.nSize;
        EXPECT_EQ(ReadFileBytes(strDest), std::string(c.nSize, 'x'));
        SetFileAttributesA(strSrc.c_str(), FILE_ATTRIBUTE_NORMAL);
        SetFileAttributesA(strDest.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

TEST(LayerFiles, RemoveDirectoryThatIsNotEmptyFails)
{
    CTestDir dir;
    ASSERT_TRUE(CreateDirectoryA((dir / "d").c_str(), NULL));
    ASSERT_TRUE(WriteFileBytes(dir / "d\\f", "x"));
    EXPECT_FALSE(RemoveDirectoryA((dir / "d").c_str()));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_DIR_NOT_EMPTY);
}

TEST(LayerFiles, ModuleFileNameIsAFullWindowsPath)
{
    char szPath[MAX_PATH + 1] = {0};
    DWORD n = GetModuleFileNameA(NULL, szPath, MAX_PATH);
    ASSERT_GT(n, 3u);
    EXPECT_EQ(strlen(szPath), n);
    EXPECT_EQ(szPath[1], ':');
    EXPECT_EQ(szPath[2], '\\');
    EXPECT_NE(std::string(szPath).find("layer_tests.exe"), std::string::npos);
    // Too small a buffer: the buffer size as the result and the path cut.
    // Whether the last byte is a terminator differs between Windows versions,
    // so callers must not rely on it.
    char szSmall[6];
    EXPECT_EQ(GetModuleFileNameA(NULL, szSmall, sizeof szSmall), (DWORD)sizeof szSmall);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(std::string(szSmall, 5), std::string(szPath, 5));
}

}  // namespace
