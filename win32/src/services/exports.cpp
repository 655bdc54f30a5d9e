// The entry points that GetProcAddress finds in the layer's advapi32.
#include "services_internal.h"

#include <strings.h>

namespace {

template <class T>
FARPROC Entry(T pfn)
{
    return reinterpret_cast<FARPROC>(reinterpret_cast<void *>(pfn));
}

struct ExportEntry {
    const char *pszName;
    FARPROC pfn;
};

}  // namespace

// Looked up by the layer's GetProcAddress: the entry point of that exact name, or null.
extern "C" FARPROC w32_advapi32_entry(const char *pszName)
{
    static const ExportEntry s_entries[] = {
        {"OpenSCManagerA", Entry(&OpenSCManagerA)},
        {"OpenServiceA", Entry(&OpenServiceA)},
        {"CreateServiceA", Entry(&CreateServiceA)},
        {"DeleteService", Entry(&DeleteService)},
        {"StartServiceA", Entry(&StartServiceA)},
        {"ControlService", Entry(&ControlService)},
        {"QueryServiceStatus", Entry(&QueryServiceStatus)},
        {"CloseServiceHandle", Entry(&CloseServiceHandle)},
        {"StartServiceCtrlDispatcherA", Entry(&StartServiceCtrlDispatcherA)},
        {"RegisterServiceCtrlHandlerA", Entry(&RegisterServiceCtrlHandlerA)},
        {"RegisterServiceCtrlHandlerExA", Entry(&RegisterServiceCtrlHandlerExA)},
        {"SetServiceStatus", Entry(&SetServiceStatus)},
    };
    for (const ExportEntry &entry : s_entries)
        if (strcmp(entry.pszName, pszName) == 0)  // entry names are case-sensitive
            return entry.pfn;
    return nullptr;
}
