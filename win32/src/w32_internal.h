// Internal helpers shared by the layer's modules. Not part of the API.
#pragma once

#include <windows.h>

#include <sys/stat.h>
#include <sys/types.h>

#include <string>
#include <vector>

namespace w32 {

// Turns errno into the Win32 code that Windows reports for the same failure.
// bParentMissing tells ENOENT on the way (3) from ENOENT of the last part (2).
DWORD ErrnoToWin32(int nErrno, bool bParentMissing = false);

// A Windows path resolved to the POSIX file system. Drive Z: is the root, both
// slash kinds separate, and a component missing under its exact name is
// matched case-insensitively against the existing entries.
struct ResolvedPath {
    std::string strPosix;
    bool bParentExists = false;  // every directory on the way exists
    bool bExists = false;        // the last component exists
    struct stat stEntry = {};    // its lstat, where it exists
    DWORD dwError = 0;           // non-zero: the path cannot be mapped at all
};
ResolvedPath ResolvePath(const char *pszWinPath);
// The path as POSIX spells it, components taken as written (no call made);
// empty where it cannot be mapped.
std::string LiteralPosixPath(const char *pszWinPath);
// The stat of a resolved path (links followed), without a second call where
// the entry is no link; false with errno set when there is none.
bool StatEntry(const ResolvedPath &path, struct stat &st);

// The existing entry of directory strDir (stDir its stat) whose name equals
// strName ignoring case (from a listing kept current).
bool FindNameVariant(const std::string &strDir, const struct stat &stDir, const std::string &strName,
                     std::string &strFound);

// The POSIX path as Windows shows it: "Z:" and backslashes.
std::string PosixToWinPath(const std::string &strPosix);

// Test settings read from the environment.
// W32_TIME_DIVISOR: Sleep and wait time-outs are divided by it (default 1).
// W32_STATE_DIR: directory of the layer's cross-process state.
DWORD ScaleMilliseconds(DWORD dwMilliseconds);
const std::string &StateDir();

// Kernel objects behind HANDLE values.
class CObject {
public:
    virtual ~CObject() = default;
    // WAIT_OBJECT_0, WAIT_ABANDONED, WAIT_TIMEOUT or WAIT_FAILED (last error set).
    virtual DWORD Wait(DWORD dwMilliseconds);
};
HANDLE RegisterObject(CObject *pObject);
// Returns the live object behind a handle, or null (last error 6).
CObject *LookupObject(HANDLE hHandle);

// Opens each call that changes the file system (DeleteFileA, MoveFileA,
// MoveFileExA, CopyFileA, CreateDirectoryA): with W32_KILL_AT=N the process
// is killed at the Nth such call, before it acts. Nested calls count once.
class CKillPoint {
public:
    CKillPoint();
    ~CKillPoint();
    CKillPoint(const CKillPoint &) = delete;
    CKillPoint &operator=(const CKillPoint &) = delete;
};

// Monotonic milliseconds.
uint64_t NowMs();

// A lock on nCount bytes from nByte of an open file description (F_RDLCK,
// F_WRLCK or F_UNLCK); bWait blocks until it is granted.
bool SetByteLock(int fd, off_t nByte, short nType, bool bWait, off_t nCount = 1);
// True when another open file description holds a lock on any of the bytes.
bool OtherHoldsByte(int fd, off_t nByte, off_t nCount = 1);

}  // namespace w32

namespace w32 {

// Command lines as Windows builds and parses them.
std::string QuoteArgument(const std::string &strArg);
std::vector<std::string> SplitCommandLine(const char *pszCommandLine);
// The text after the program name and the blanks that follow it (lpCmdLine of WinMain).
const char *SkipProgramName(const char *pszCommandLine);
// Environment variable through which a parent hands its child the exact command line.
constexpr const char *kCommandLineVariable = "W32_CMDLINE";

}  // namespace w32
