// sfxpack: builds, lists and verifies the payload that a patch carries.
#include "Pack.h"

#include <stdio.h>
#include <string.h>

namespace {

const char kUsage[] =
    "usage: sfxpack create BASE.exe OUT.exe FILE...   append FILEs as the payload of a copy of BASE\n"
    "       sfxpack list OUT.exe                      print offset, size, SHA-256 and name of each member\n"
    "       sfxpack verify OUT.exe FILE...            check that the payload holds exactly these files\n"
    "Members are named after the files' names, in the order given. Exit code 0 on success.\n";

int Usage(FILE *pOut, int nCode)
{
    fputs(kUsage, pOut);
    return nCode;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc >= 2 && (strcmp(argv[1], "--help") == 0 || strcmp(argv[1], "-h") == 0 ||
                      strcmp(argv[1], "/?") == 0))
        return Usage(stdout, 0);
    if (argc < 2)
        return Usage(stderr, 2);
    std::string strCommand = argv[1];
    std::vector<std::string> args(argv + 2, argv + argc);
    if (strCommand == "create" && args.size() >= 3)
        return CreatePatch(args[0], args[1], std::vector<std::string>(args.begin() + 2, args.end()));
    if (strCommand == "list" && args.size() == 1)
        return ListPatch(args[0]);
    if (strCommand == "verify" && args.size() >= 2)
        return VerifyPatch(args[0], std::vector<std::string>(args.begin() + 1, args.end()));
    fprintf(stderr, "sfxpack: bad arguments for \"%s\"\n", strCommand.c_str());
    return Usage(stderr, 2);
}
