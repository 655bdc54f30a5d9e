// Which member names extraction accepts: plain file names that stay inside
// the extraction directory on every Windows file system.
#pragma once

// 1 for a plain file name; 0 for an empty name, ".", "..", a name with a
// backslash, slash or colon (directory parts, drives, alternate streams), a
// character Windows forbids in names (< > " | ? * and control characters),
// a final dot or blank, or a reserved device name (CON, PRN, AUX, NUL,
// COM0-9, LPT0-9, also with an extension).
int IsPlainMemberName(const char *pszName);
