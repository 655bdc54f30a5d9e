// The packager's commands; each returns the process exit code and reports
// its failures on stderr as "sfxpack: FILE: cause".
#pragma once

#include <string>
#include <vector>

// Appends the files to a copy of the base executable as the patch's payload.
int CreatePatch(const std::string &strBase, const std::string &strOut,
                const std::vector<std::string> &files);
// Prints each member in file order: offset, size, SHA-256, name.
int ListPatch(const std::string &strPatch);
// Checks that the payload holds exactly these files, byte for byte.
int VerifyPatch(const std::string &strPatch, const std::vector<std::string> &files);

// Helpers shared by the commands.
int Fail(const std::string &strFile, const std::string &strCause);
// The member name of a file path: its last component.
std::string MemberName(const std::string &strPath);
// The text of a file-layer exception, without its line end.
class CCommonException;
std::string ExceptionText(CCommonException &e);
