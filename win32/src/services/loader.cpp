// LoadLibraryA, GetProcAddress and FreeLibrary. The one library the layer
// knows is "advapi32.dll", its own shared library of service functions.
#include "../w32_internal.h"

#include <dlfcn.h>
#include <strings.h>

#include <mutex>

#ifndef W32_ADVAPI32_PATH
#error "W32_ADVAPI32_PATH names the layer's advapi32 library"
#endif

namespace {

typedef FARPROC (*PFN_ENTRY)(const char *);

struct CLibrary {
    std::mutex lock;
    int nRefs = 0;
    void *pHandle = nullptr;
    PFN_ENTRY pfnEntry = nullptr;
};

struct HINSTANCE__ g_advapi32Module;

CLibrary &Advapi32()
{
    static auto *s_pLibrary = new CLibrary;
    return *s_pLibrary;
}

// The file part of a module name names the library, with or without ".dll".
bool IsAdvapi32(const char *pszName)
{
    const char *pszFile = pszName;
    for (const char *p = pszName; *p; ++p)
        if (*p == '\\' || *p == '/')
            pszFile = p + 1;
    return strcasecmp(pszFile, "advapi32.dll") == 0 || strcasecmp(pszFile, "advapi32") == 0;
}

}  // namespace

extern "C" HMODULE WINAPI LoadLibraryA(LPCSTR lpLibFileName)
{
    if (!lpLibFileName || !*lpLibFileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (!IsAdvapi32(lpLibFileName)) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    CLibrary &library = Advapi32();
    std::lock_guard<std::mutex> guard(library.lock);
    // Kept mapped once loaded: a service thread may still run in it.
    void *pHandle = dlopen(W32_ADVAPI32_PATH, RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    PFN_ENTRY pfnEntry = pHandle ? (PFN_ENTRY)dlsym(pHandle, "w32_advapi32_entry") : nullptr;
    if (!pfnEntry) {
        if (pHandle)
            dlclose(pHandle);
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    library.pHandle = pHandle;
    library.pfnEntry = pfnEntry;
    ++library.nRefs;
    SetLastError(ERROR_SUCCESS);
    return &g_advapi32Module;
}

extern "C" FARPROC WINAPI GetProcAddress(HMODULE hModule, LPCSTR lpProcName)
{
    CLibrary &library = Advapi32();
    std::lock_guard<std::mutex> guard(library.lock);
    if (hModule != &g_advapi32Module || library.nRefs == 0) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    // An ordinal (a value below 0x10000) names no entry of this library.
    FARPROC pfn = (uintptr_t)lpProcName < 0x10000 ? nullptr : library.pfnEntry(lpProcName);
    SetLastError(pfn ? ERROR_SUCCESS : ERROR_PROC_NOT_FOUND);
    return pfn;
}

extern "C" BOOL WINAPI FreeLibrary(HMODULE hLibModule)
{
    CLibrary &library = Advapi32();
    std::lock_guard<std::mutex> guard(library.lock);
    if (hLibModule != &g_advapi32Module || library.nRefs == 0) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return FALSE;
    }
    --library.nRefs;
    dlclose(library.pHandle);  // one dlopen per load
    return TRUE;
}
