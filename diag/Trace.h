// The trace log: one stamped line per call, to the log file and/or the
// debugger side (a running trace viewer, else the debugger output).
#pragma once

#include <windows.h>

// Trace modes.
#define TRACE_OFF 0
#define TRACE_DEBUG 1
#define TRACE_FILE 2
#define TRACE_DEBUG_FILE 3

extern int gnTraceMode;
extern char gszLogPath[MAX_PATH];

// Sets the mode; a non-null path replaces the log file path (at most 259 bytes
// are kept, never half a double-byte character).
void SetTraceOptions(int nMode, const char *pszLogPath);

// Every caller passes its own __FILE__ and __LINE__. The text carries its own
// line end: nothing is appended.
void TraceMessage(const char *pszFile, int nLine, const char *pszFormat, ...)
    __attribute__((format(printf, 3, 4)));
