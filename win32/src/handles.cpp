// The handle table: every HANDLE is a registered CObject until CloseHandle.
#include "w32_internal.h"

#include <mutex>
#include <unordered_set>

namespace w32 {
namespace {
std::mutex g_tableLock;
std::unordered_set<CObject *> &Table()
{
    static auto *s_pTable = new std::unordered_set<CObject *>;
    return *s_pTable;
}
}  // namespace

DWORD CObject::Wait(DWORD)
{
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
}

HANDLE RegisterObject(CObject *pObject)
{
    std::lock_guard<std::mutex> lock(g_tableLock);
    Table().insert(pObject);
    return pObject;
}

CObject *LookupObject(HANDLE hHandle)
{
    std::lock_guard<std::mutex> lock(g_tableLock);
    auto it = Table().find(static_cast<CObject *>(hHandle));
    if (it == Table().end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return *it;
}

}  // namespace w32

extern "C" BOOL WINAPI CloseHandle(HANDLE hObject)
{
    w32::CObject *pObject = nullptr;
    {
        std::lock_guard<std::mutex> lock(w32::g_tableLock);
        auto it = w32::Table().find(static_cast<w32::CObject *>(hObject));
        if (it == w32::Table().end()) {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        pObject = *it;
        w32::Table().erase(it);
    }
    delete pObject;
    return TRUE;
}

extern "C" DWORD WINAPI WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds)
{
    w32::CObject *pObject = w32::LookupObject(hHandle);
    if (!pObject)
        return WAIT_FAILED;
    return pObject->Wait(w32::ScaleMilliseconds(dwMilliseconds));
}
