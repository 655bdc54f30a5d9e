// The service database of the layer's advapi32 library. Not part of the API.
//
// Every service has files in StateDir()/services, named after the service
// name in lower case, hex-coded:
//   <key>.svc    its configuration (name, then command line), written once;
//   <key>.state  its ServiceRecord, read and written under byte locks;
//   <key>.del    present once DeleteService marked it for deletion;
//   <key>.log    what its process wrote to stdout and stderr.
// Open-file-description locks on the state file carry what a dying process
// must give up by itself: the service process holds kAliveByte while it
// runs, and StartServiceA holds kStartingByte until the dispatcher connected.
#pragma once

#include "../w32_internal.h"

#include <sys/types.h>

#include <functional>
#include <string>

namespace w32svc {

struct ServiceRecord {
    DWORD dwMagic;
    DWORD dwGeneration;  // counts the starts of the service
    DWORD dwConnected;   // the generation whose dispatcher has connected
    DWORD dwPid;
    SERVICE_STATUS status;
    DWORD dwControlSeq;  // the last control requested ...
    DWORD dwControl;
    DWORD dwAckSeq;  // ... and the last one the service has handled
    DWORD dwAckResult;
};

constexpr off_t kRecordByte = 1000;    // guards the record
constexpr off_t kAliveByte = 1001;     // held by the running service process
constexpr off_t kStartingByte = 1002;  // held while a start is under way
constexpr off_t kControlByte = 1003;   // one control at a time
constexpr off_t kStartByte = 1004;     // one start at a time

// The manager's own bounds: how long a service process may take to connect
// its dispatcher, and a handler to return (real milliseconds).
constexpr DWORD kPipeTimeoutMs = 30000;
// Environment through which StartServiceA tells the new process what it is.
constexpr const char *kServiceNameVariable = "W32_SERVICE_NAME";
constexpr const char *kServiceGenerationVariable = "W32_SERVICE_GENERATION";
constexpr const char *kServiceArgsVariable = "W32_SERVICE_ARGS";

// A service name Windows accepts: 1 to 256 characters, no slash of either kind.
bool ValidServiceName(const char *pszName);

struct ServicePaths {
    std::string strConfig;
    std::string strState;
    std::string strDeleted;
    std::string strLog;
};
ServicePaths PathsOf(const std::string &strName);

// The state file of one service.
class CStateFile {
public:
    CStateFile() = default;
    ~CStateFile();
    CStateFile(const CStateFile &) = delete;
    CStateFile &operator=(const CStateFile &) = delete;

    // False with errno set when the file cannot be opened.
    bool Open(const std::string &strPath, bool bCreate);
    bool IsOpen() const { return m_fd >= 0; }

    // The record as last written (zeroed when it never was).
    ServiceRecord Read();
    // Changes the record under the exclusive record lock.
    void Update(const std::function<void(ServiceRecord &)> &fnChange);

    bool TryLock(off_t nByte);
    // Polls for the lock until dwTimeoutMs passed.
    bool LockWithin(off_t nByte, DWORD dwTimeoutMs);
    void Unlock(off_t nByte);
    // True when another open file description (this process's or another's) holds the byte.
    bool OtherHolds(off_t nByte);
    // The service process runs, or a start is under way.
    bool IsActive() { return OtherHolds(kAliveByte) || OtherHolds(kStartingByte); }

private:
    bool SetLock(off_t nByte, short nType, bool bWait);
    int m_fd = -1;
};

// The status a controller sees: what the service last set, or stopped when its
// process is gone.
SERVICE_STATUS EffectiveStatus(CStateFile &state);
SERVICE_STATUS StoppedStatus(DWORD dwExitCode);

// Removes a deleted service's files once no process runs it.
void RemoveServiceFiles(const ServicePaths &paths);

}  // namespace w32svc
