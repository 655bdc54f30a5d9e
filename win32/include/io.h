// <io.h> of the Microsoft C runtime, the part the product calls.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

// Mode 0: exists; 2: writable; 4: readable; 6: both. -1 with errno on failure.
int _access(const char *path, int mode);

#ifdef __cplusplus
}
#endif
