// The service control manager as the patch and the test service use it: the
// same tests run against the layer's manager and against Wine's.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_services_support.h"

namespace {

using Texts = std::vector<std::string>;

TEST(ServiceLibrary, LoadsByNameAndFindsEntryPointsByExactName)
{
    HMODULE hLibrary = LoadLibraryA("advapi32.dll");
    ASSERT_NE(hLibrary, nullptr) << GetLastError();
    for (const char *pszName : {"OpenSCManagerA", "OpenServiceA", "StartServiceA", "ControlService",
                                "QueryServiceStatus", "CloseServiceHandle", "CreateServiceA",
                                "DeleteService", "StartServiceCtrlDispatcherA",
                                "RegisterServiceCtrlHandlerExA", "SetServiceStatus"})
        EXPECT_NE(GetProcAddress(hLibrary, pszName), nullptr) << pszName;
    for (const char *pszName : {"NoSuchEntryPoint", "openscmanagera", "OpenSCManager", ""}) {
        SetLastError(0);
        EXPECT_EQ(GetProcAddress(hLibrary, pszName), nullptr) << pszName;
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_PROC_NOT_FOUND) << pszName;
    }
    EXPECT_TRUE(FreeLibrary(hLibrary));
}

TEST(ServiceLibrary, NameIsMatchedWithoutCaseAndWithoutItsExtension)
{
    for (const char *pszName : {"ADVAPI32.DLL", "advapi32", "AdvApi32.dll"}) {
        HMODULE hLibrary = LoadLibraryA(pszName);
        ASSERT_NE(hLibrary, nullptr) << pszName << ": " << GetLastError();
        EXPECT_NE(GetProcAddress(hLibrary, "QueryServiceStatus"), nullptr) << pszName;
        EXPECT_TRUE(FreeLibrary(hLibrary)) << pszName;
    }
}

TEST(ServiceLibrary, UnknownLibraryIsNotFound)
{
    SetLastError(0);
    EXPECT_EQ(LoadLibraryA("fl_no_such_library.dll"), nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_MOD_NOT_FOUND);
}

TEST(ServiceManager, UnknownServiceAndDuplicateName)
{
    SC_HANDLE hManager = OpenSCManagerA(NULL, NULL, SC_MANAGER_ALL_ACCESS);
    ASSERT_NE(hManager, nullptr) << GetLastError();
    SetLastError(0);
    EXPECT_EQ(OpenServiceA(hManager, UniqueServiceName("fl_missing").c_str(), SERVICE_ALL_ACCESS),
              nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_SERVICE_DOES_NOT_EXIST);

    CTestService service(UniqueServiceName("fl_dup"), {});
    ASSERT_TRUE(service.Created()) << service.CreateError();
    SetLastError(0);
    EXPECT_EQ(CreateServiceA(hManager, service.Name().c_str(), "other", SERVICE_ALL_ACCESS,
                             SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                             "C:\\other.exe", NULL, NULL, NULL, NULL, NULL),
              nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_SERVICE_EXISTS);
    // Names compare without case.
    SC_HANDLE hUpper = OpenServiceA(hManager, ("FL_DUP_" + std::to_string(GetCurrentProcessId())).c_str(),
                                    SERVICE_QUERY_STATUS);
    EXPECT_NE(hUpper, nullptr) << GetLastError();
    if (hUpper)
        CloseServiceHandle(hUpper);
    CloseServiceHandle(hManager);
}

TEST(ServiceManager, StartStopAndWhatTheServiceSaw)
{
    CTestService service(UniqueServiceName("fl_cycle"), {});
    ASSERT_TRUE(service.Created()) << service.CreateError();
    EXPECT_EQ(service.State(), (DWORD)SERVICE_STOPPED);

    SERVICE_STATUS status = {};
    SetLastError(0);
    EXPECT_FALSE(ControlService(service.Handle(), SERVICE_CONTROL_STOP, &status));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_SERVICE_NOT_ACTIVE);

    ASSERT_TRUE(service.Start()) << GetLastError();
    SetLastError(0);
    EXPECT_FALSE(service.Start());
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_SERVICE_ALREADY_RUNNING);
    ASSERT_TRUE(service.WaitForState(SERVICE_RUNNING));

    status = {};
    ASSERT_TRUE(ControlService(service.Handle(), SERVICE_CONTROL_STOP, &status)) << GetLastError();
    // The handler has run: the status is the one it set.
    EXPECT_EQ(status.dwCurrentState, (DWORD)SERVICE_STOP_PENDING);
    ASSERT_TRUE(service.WaitForState(SERVICE_STOPPED));
    EXPECT_EQ(service.EventTexts(),
              (Texts{"state 2", "state 4", "control 1", "state 3", "state 1"}));

    // It starts again in a new process.
    ASSERT_TRUE(service.StartAndWaitRunning());
}

TEST(ServiceManager, ControlsAServiceCannotTakeNow)
{
    struct Case {
        const char *pszWhat;
        TestServiceBehaviour behaviour;
        DWORD dwStateBefore;
        bool bStopFirst;
        DWORD dwError;
    } cases[] = {
        // Accepting no control yet, it is refused the stop control itself.
        {"start-pending", [] { TestServiceBehaviour b; b.bNeverRun = true; return b; }(),
         SERVICE_START_PENDING, false, ERROR_INVALID_SERVICE_CONTROL},
        {"stop-pending", [] { TestServiceBehaviour b; b.bStopHang = true; return b; }(),
         SERVICE_STOP_PENDING, true, ERROR_SERVICE_CANNOT_ACCEPT_CTRL},
    };
    for (const Case &c : cases) {
        CTestService service(UniqueServiceName("fl_pending"), c.behaviour);
        ASSERT_TRUE(service.Created()) << service.CreateError();
        ASSERT_TRUE(service.Start()) << GetLastError();
        SERVICE_STATUS status = {};
        if (c.bStopFirst) {
            ASSERT_TRUE(service.WaitForState(SERVICE_RUNNING));
            ASSERT_TRUE(ControlService(service.Handle(), SERVICE_CONTROL_STOP, &status));
        }
        ASSERT_TRUE(service.WaitForState(c.dwStateBefore)) << c.pszWhat;
        SetLastError(0);
        EXPECT_FALSE(ControlService(service.Handle(), SERVICE_CONTROL_STOP, &status)) << c.pszWhat;
        EXPECT_EQ(GetLastError(), c.dwError) << c.pszWhat;
        EXPECT_EQ(service.State(), c.dwStateBefore) << c.pszWhat;
    }
}

// Wine's own manager, unlike the system's, does not notice a service process
// that ends without reporting stopped.
bool IsWine()
{
    HMODULE hNtdll = GetModuleHandleA("ntdll.dll");
    return hNtdll && GetProcAddress(hNtdll, "wine_get_version");
}

TEST(ServiceManager, ServiceWhoseProcessDiedReadsStopped)
{
    if (IsWine())
        GTEST_SKIP() << "Wine's manager keeps the last state of a dead service process";
    TestServiceBehaviour behaviour;
    behaviour.nCrashAfter = 0;
    CTestService service(UniqueServiceName("fl_crash"), behaviour);
    ASSERT_TRUE(service.Created()) << service.CreateError();
    ASSERT_TRUE(service.Start()) << GetLastError();
    ASSERT_TRUE(service.WaitForState(SERVICE_STOPPED));
    EXPECT_EQ(service.EventTexts(), (Texts{"state 2", "state 4"})) << "it never reported stopped";
    SERVICE_STATUS status = {};
    SetLastError(0);
    EXPECT_FALSE(ControlService(service.Handle(), SERVICE_CONTROL_STOP, &status));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_SERVICE_NOT_ACTIVE);
}

TEST(ServiceManager, HandlesGrantOnlyTheAccessAskedFor)
{
    CTestService service(UniqueServiceName("fl_access"), {});
    ASSERT_TRUE(service.Created()) << service.CreateError();
    SC_HANDLE hManager = OpenSCManagerA(NULL, NULL, SC_MANAGER_CONNECT);
    ASSERT_NE(hManager, nullptr) << GetLastError();
    SetLastError(0);
    EXPECT_EQ(CreateServiceA(hManager, UniqueServiceName("fl_denied").c_str(), "x",
                             SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START,
                             SERVICE_ERROR_NORMAL, "C:\\x.exe", NULL, NULL, NULL, NULL, NULL),
              nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_ACCESS_DENIED);

    SC_HANDLE hQuery = OpenServiceA(hManager, service.Name().c_str(), SERVICE_QUERY_STATUS);
    ASSERT_NE(hQuery, nullptr) << GetLastError();
    SERVICE_STATUS status = {};
    EXPECT_TRUE(QueryServiceStatus(hQuery, &status));
    SetLastError(0);
    EXPECT_FALSE(StartServiceA(hQuery, 0, NULL));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_ACCESS_DENIED);
    SetLastError(0);
    EXPECT_FALSE(ControlService(hQuery, SERVICE_CONTROL_STOP, &status));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_ACCESS_DENIED);
    CloseServiceHandle(hQuery);
    CloseServiceHandle(hManager);
}

TEST(ServiceManager, DeletedServiceIsGoneAndCannotBeDeletedTwice)
{
    SC_HANDLE hManager = OpenSCManagerA(NULL, NULL, SC_MANAGER_ALL_ACCESS);
    ASSERT_NE(hManager, nullptr) << GetLastError();
    std::string strName = UniqueServiceName("fl_delete");
    SC_HANDLE hService = CreateServiceA(hManager, strName.c_str(), strName.c_str(), SERVICE_ALL_ACCESS,
                                        SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START,
                                        SERVICE_ERROR_NORMAL, "C:\\never.exe", NULL, NULL, NULL,
                                        NULL, NULL);
    ASSERT_NE(hService, nullptr) << GetLastError();
    EXPECT_TRUE(DeleteService(hService));
    SetLastError(0);
    EXPECT_FALSE(DeleteService(hService));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_SERVICE_MARKED_FOR_DELETE);
    CloseServiceHandle(hService);
    SetLastError(0);
    EXPECT_EQ(OpenServiceA(hManager, strName.c_str(), SERVICE_QUERY_STATUS), nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_SERVICE_DOES_NOT_EXIST);
    CloseServiceHandle(hManager);
}

TEST(ServiceManager, StartOfAMissingProgramFailsAndLeavesItStopped)
{
    SC_HANDLE hManager = OpenSCManagerA(NULL, NULL, SC_MANAGER_ALL_ACCESS);
    ASSERT_NE(hManager, nullptr) << GetLastError();
    std::string strName = UniqueServiceName("fl_noexe");
    std::string strCommand = Quote(ProgramDir() + "fl_no_such_program.exe");
    SC_HANDLE hService = CreateServiceA(hManager, strName.c_str(), strName.c_str(), SERVICE_ALL_ACCESS,
                                        SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START,
                                        SERVICE_ERROR_NORMAL, strCommand.c_str(), NULL, NULL, NULL,
                                        NULL, NULL);
    ASSERT_NE(hService, nullptr) << GetLastError();
    SetLastError(0);
    EXPECT_FALSE(StartServiceA(hService, 0, NULL));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_NOT_FOUND);
    SERVICE_STATUS status = {};
    EXPECT_TRUE(QueryServiceStatus(hService, &status));
    EXPECT_EQ(status.dwCurrentState, (DWORD)SERVICE_STOPPED);
    EXPECT_TRUE(DeleteService(hService));
    CloseServiceHandle(hService);
    CloseServiceHandle(hManager);
}

TEST(ServiceManager, ProgramNotStartedAsAServiceCannotConnect)
{
    CTestDir dir;
    ProcessResult result = RunProcess(ProgramDir() + "test_service.exe",
                                      Quote(ProgramDir() + "test_service.exe") +
                                          " --name fl_console --record " + Quote(dir / "record.txt"));
    ASSERT_TRUE(result.bFinished);
    EXPECT_EQ(result.dwExitCode, 1u);
    std::string strRecord = ReadFileBytes(dir / "record.txt");
    EXPECT_NE(strRecord.find(" dispatcher-error 1063\r\n"), std::string::npos) << strRecord;
}

// A standard user may look at services but not control them. The layer makes
// a process one with W32_SCM_USER; where the test runs with full rights
// anyway, there is nothing to see.
TEST(ServiceManager, StandardUserIsRefusedFullAccess)
{
    CTestService service(UniqueServiceName("fl_user"), {});
    ASSERT_TRUE(service.Created()) << service.CreateError();
    SetEnvironmentVariableA("W32_SCM_USER", "1");
    SC_HANDLE hFull = OpenSCManagerA(NULL, NULL, SC_MANAGER_ALL_ACCESS);
    DWORD dwError = GetLastError();
    SC_HANDLE hConnect = OpenSCManagerA(NULL, NULL, SC_MANAGER_CONNECT);
    SC_HANDLE hAll = hConnect ? OpenServiceA(hConnect, service.Name().c_str(), SERVICE_ALL_ACCESS) : NULL;
    DWORD dwServiceError = GetLastError();
    SC_HANDLE hLook = hConnect ? OpenServiceA(hConnect, service.Name().c_str(), SERVICE_QUERY_STATUS) : NULL;
    SetEnvironmentVariableA("W32_SCM_USER", NULL);
    for (SC_HANDLE h : {hFull, hAll, hLook, hConnect})
        if (h)
            CloseServiceHandle(h);
    if (hFull)
        GTEST_SKIP() << "this process has full rights on this target";
    EXPECT_EQ(dwError, (DWORD)ERROR_ACCESS_DENIED);
    EXPECT_NE(hConnect, nullptr);
    EXPECT_EQ(hAll, nullptr);
    EXPECT_EQ(dwServiceError, (DWORD)ERROR_ACCESS_DENIED);
    EXPECT_NE(hLook, nullptr);
}

}  // namespace
