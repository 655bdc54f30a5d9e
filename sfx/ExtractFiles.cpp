#include "ExtractFiles.h"

#include "CommonException.h"
#include "PathHelpers.h"
#include "SfxArchive.h"
#include "Trace.h"

int ExtractFiles(const char *pszExtractPath) { return ExtractFilesFrom(NULL, pszExtractPath); }

int ExtractFilesFrom(const char *pszArchivePath, const char *pszExtractPath)
{
    if (pszExtractPath == NULL)
        return 0;
    DWORD dwError = MakeDirectoryPath(pszExtractPath);
    if (dwError != 0) {
        TraceMessage(__FILE__, __LINE__, "CreateDirectory error = %d, pszExtractPath = %s\n",
                     (int)dwError, pszExtractPath);
        return 0;
    }
    // The one place where the container's exceptions stop.
    try {
        bool bExtracted;
        if (pszArchivePath == NULL) {
            CSfxArchive archive;
            bExtracted = archive.Extract(pszExtractPath);
        } else {
            CSfxArchive archive(pszArchivePath);
            bExtracted = archive.Extract(pszExtractPath);
        }
        return bExtracted ? 1 : 0;
    } catch (CCommonException &e) {
        const char *pszMessage = e.GetErrorMessage();
        TraceMessage(__FILE__, __LINE__, "%s\n", pszMessage ? pszMessage : "");
        return 0;
    }
}
