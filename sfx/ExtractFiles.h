// Unpacking the payload that the running executable carries.
#pragma once

// Creates pszExtractPath and writes every member of the executable's payload
// into it. 1 when all were extracted; 0 for a null path (no trace), a
// directory that cannot be created, an executable without a payload (no trace
// of its own), or any failure of the extraction (its message is traced).
// Never throws a CCommonException.
int ExtractFiles(const char *pszExtractPath);

// The same from the container file pszArchivePath (null: the running
// executable), for the packager and tests.
int ExtractFilesFrom(const char *pszArchivePath, const char *pszExtractPath);
