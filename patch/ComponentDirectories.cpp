#include "ComponentDirectories.h"

const ComponentDirectory ComponentDirectoryTable[] = {
    {"portal\\bin", 1, 1},
    {"portal\\svc", 1, 1},
    {"console", 1, 0},
    {"Console\\Tools\\Refresher", 1, 0},
    {"Console\\Tools\\TimedRefresh", 1, 0},
    {"Console\\Tools\\Relay_en\\RelayLib", 0, 0},
    {"Console\\Tools\\RelayAgent\\RelayLib", 0, 0},
    {"Console\\Tools\\Relay_jp\\RelayLib", 0, 0},
};

const int gnComponentDirectoryCount = sizeof ComponentDirectoryTable / sizeof ComponentDirectoryTable[0];
