// The product's component directories, relative to the master directory, in
// the order the update procedures take them.
#pragma once

struct ComponentDirectory {
    const char *pszRelativeDir;
    int bBackup;   // replaced files are kept in "FLBak" of the directory
    int bWebOnly;  // updated only on an HTTP-based server, while the download mutex is held
};

extern const ComponentDirectory ComponentDirectoryTable[];
extern const int gnComponentDirectoryCount;
