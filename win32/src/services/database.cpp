// The service database: file names, the state file and its locks.
#include "services_internal.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace w32svc {
namespace {

constexpr DWORD kRecordMagic = 0x53564331;  // "SVC1"
constexpr DWORD kLockPollMs = 2;

std::string KeyOf(const std::string &strName)
{
    static const char kHex[] = "0123456789abcdef";
    std::string strKey;
    for (unsigned char c : strName) {
        if (c >= 'A' && c <= 'Z')
            c = (unsigned char)(c - 'A' + 'a');  // names compare without case
        strKey += kHex[c >> 4];
        strKey += kHex[c & 15];
    }
    return strKey;
}

const std::string &DatabaseDir()
{
    static const std::string s_strDir = [] {
        std::string str = w32::StateDir() + "/services";
        mkdir(str.c_str(), 0777);
        return str;
    }();
    return s_strDir;
}

}  // namespace

bool ValidServiceName(const char *pszName)
{
    if (!pszName)
        return false;
    size_t n = strnlen(pszName, 257);
    return n >= 1 && n <= 256 && !strpbrk(pszName, "/\\");
}

ServicePaths PathsOf(const std::string &strName)
{
    std::string strBase = DatabaseDir() + "/" + KeyOf(strName);
    return {strBase + ".svc", strBase + ".state", strBase + ".del", strBase + ".log"};
}

CStateFile::~CStateFile()
{
    if (m_fd >= 0)
        close(m_fd);  // drops every lock this description holds
}

bool CStateFile::Open(const std::string &strPath, bool bCreate)
{
    m_fd = open(strPath.c_str(), O_RDWR | O_CLOEXEC | (bCreate ? O_CREAT : 0), 0666);
    return m_fd >= 0;
}

bool CStateFile::SetLock(off_t nByte, short nType, bool bWait)
{
    struct flock fl = {};
    fl.l_type = nType;
    fl.l_whence = SEEK_SET;
    fl.l_start = nByte;
    fl.l_len = 1;
    while (fcntl(m_fd, bWait ? F_OFD_SETLKW : F_OFD_SETLK, &fl) != 0) {
        if (errno != EINTR)
            return false;
    }
    return true;
}

bool CStateFile::TryLock(off_t nByte) { return SetLock(nByte, F_WRLCK, false); }

bool CStateFile::LockWithin(off_t nByte, DWORD dwTimeoutMs)
{
    uint64_t nDeadline = w32::NowMs() + dwTimeoutMs;
    while (!TryLock(nByte)) {
        if (w32::NowMs() >= nDeadline)
            return false;
        usleep(kLockPollMs * 1000);
    }
    return true;
}

void CStateFile::Unlock(off_t nByte) { SetLock(nByte, F_UNLCK, false); }

bool CStateFile::OtherHolds(off_t nByte)
{
    struct flock fl = {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = nByte;
    fl.l_len = 1;
    return fcntl(m_fd, F_OFD_GETLK, &fl) == 0 && fl.l_type != F_UNLCK;
}

ServiceRecord CStateFile::Read()
{
    ServiceRecord record = {};
    // The record lock is short-lived and never held across a wait, so a
    // blocking wait on it is bounded.
    SetLock(kRecordByte, F_RDLCK, true);
    ssize_t n = pread(m_fd, &record, sizeof record, 0);
    SetLock(kRecordByte, F_UNLCK, false);
    if (n != (ssize_t)sizeof record || record.dwMagic != kRecordMagic)
        record = ServiceRecord{};
    return record;
}

void CStateFile::Update(const std::function<void(ServiceRecord &)> &fnChange)
{
    SetLock(kRecordByte, F_WRLCK, true);
    ServiceRecord record = {};
    if (pread(m_fd, &record, sizeof record, 0) != (ssize_t)sizeof record ||
        record.dwMagic != kRecordMagic)
        record = ServiceRecord{};
    fnChange(record);
    record.dwMagic = kRecordMagic;
    (void)!pwrite(m_fd, &record, sizeof record, 0);
    SetLock(kRecordByte, F_UNLCK, false);
}

SERVICE_STATUS StoppedStatus(DWORD dwExitCode)
{
    SERVICE_STATUS status = {};
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = SERVICE_STOPPED;
    status.dwWin32ExitCode = dwExitCode;
    return status;
}

SERVICE_STATUS EffectiveStatus(CStateFile &state)
{
    ServiceRecord record = state.Read();
    if (record.status.dwCurrentState == 0)
        return StoppedStatus(1077);  // ERROR_SERVICE_NEVER_STARTED
    if (record.status.dwCurrentState != SERVICE_STOPPED && !state.IsActive())
        return StoppedStatus(ERROR_PROCESS_ABORTED);  // its process died
    return record.status;
}

void RemoveServiceFiles(const ServicePaths &paths)
{
    unlink(paths.strConfig.c_str());
    unlink(paths.strState.c_str());
    unlink(paths.strDeleted.c_str());
}

}  // namespace w32svc
