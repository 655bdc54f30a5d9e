// A program that unpacks the payload appended to itself, as the patch does:
//   sfx_self_extract.exe DIR [LOG]   the exit code is ExtractFiles' result
#include <windows.h>

#include "ExtractFiles.h"
#include "Trace.h"

int main(int argc, char **argv)
{
    if (argc < 2)
        return 100;
    if (argc > 2)
        SetTraceOptions(TRACE_FILE, argv[2]);
    return ExtractFiles(argv[1]);
}
