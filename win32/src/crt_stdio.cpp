// fopen and _access on Windows paths. Text mode (no 'b' in the mode) stores
// "\n" as "\r\n" and reads "\r\n" back as "\n", as the Microsoft runtime does.
#include "w32_internal.h"

#include <errno.h>
#include <fcntl.h>
#include <io.h>
#include <unistd.h>

#include <string>

namespace {

ssize_t TextWrite(void *pCookie, const char *pBuf, size_t nSize)
{
    FILE *pFile = static_cast<FILE *>(pCookie);
    size_t nStart = 0;
    for (size_t i = 0; i < nSize; ++i) {
        if (pBuf[i] != '\n')
            continue;
        if (fwrite(pBuf + nStart, 1, i - nStart, pFile) != i - nStart || fputs("\r\n", pFile) < 0)
            return -1;
        nStart = i + 1;
    }
    if (fwrite(pBuf + nStart, 1, nSize - nStart, pFile) != nSize - nStart)
        return -1;
    return (ssize_t)nSize;
}

ssize_t TextRead(void *pCookie, char *pBuf, size_t nSize)
{
    FILE *pFile = static_cast<FILE *>(pCookie);
    size_t n = 0;
    while (n < nSize) {
        int c = fgetc(pFile);
        if (c == EOF)
            break;
        if (c == '\r') {
            int cNext = fgetc(pFile);
            if (cNext == '\n')
                c = '\n';
            else if (cNext != EOF)
                ungetc(cNext, pFile);
        }
        pBuf[n++] = (char)c;
    }
    return (ssize_t)n;
}

int TextSeek(void *pCookie, off64_t *pOffset, int nWhence)
{
    FILE *pFile = static_cast<FILE *>(pCookie);
    if (fseeko(pFile, *pOffset, nWhence) != 0)
        return -1;
    *pOffset = ftello(pFile);
    return 0;
}

int TextClose(void *pCookie) { return fclose(static_cast<FILE *>(pCookie)); }

// A text file opened only for writing goes straight to its descriptor: one
// write for each flush of the stream (a log line is opened, written once and
// closed), and no seek or stat of its own.
ssize_t TextWriteFd(void *pCookie, const char *pBuf, size_t nSize)
{
    int fd = (int)(intptr_t)pCookie;
    std::string strOut;
    strOut.reserve(nSize + nSize / 8);
    for (size_t i = 0; i < nSize; ++i) {
        if (pBuf[i] == '\n')
            strOut += '\r';
        strOut += pBuf[i];
    }
    for (size_t nDone = 0; nDone < strOut.size();) {
        ssize_t n = write(fd, strOut.data() + nDone, strOut.size() - nDone);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return -1;
        nDone += (size_t)n;
    }
    return (ssize_t)nSize;
}

int TextSeekFd(void *pCookie, off64_t *pOffset, int nWhence)
{
    off64_t n = lseek64((int)(intptr_t)pCookie, *pOffset, nWhence);
    if (n < 0)
        return -1;
    *pOffset = n;
    return 0;
}

int TextCloseFd(void *pCookie) { return close((int)(intptr_t)pCookie); }

FILE *TextStreamOf(int fd, const std::string &strMode)
{
    cookie_io_functions_t io = {nullptr, TextWriteFd, TextSeekFd, TextCloseFd};
    FILE *pText = fopencookie((void *)(intptr_t)fd, strMode.c_str(), io);
    if (!pText)
        close(fd);
    return pText;
}

int TextWriteFlags(const std::string &strMode)
{
    return O_WRONLY | O_CLOEXEC | (strMode[0] == 'a' ? O_APPEND : O_TRUNC);
}

bool IsTextWriteMode(const std::string &strMode, bool bBinary)
{
    return !bBinary && !strMode.empty() && strMode[0] != 'r' && strMode.find('+') == std::string::npos;
}

}  // namespace

// Replaces the C library's fopen for the whole program, as the runtime's own.
extern "C" FILE *fopen(const char *filename, const char *mode)
{
    if (!filename || !mode) {
        errno = EINVAL;
        return nullptr;
    }
    std::string strMode;
    bool bBinary = false;
    for (const char *p = mode; *p; ++p) {
        if (*p == 'b')
            bBinary = true;
        else if (*p == 'r' || *p == 'w' || *p == 'a' || *p == '+')
            strMode += *p;
    }
    bool bTextWrite = IsTextWriteMode(strMode, bBinary);
    if (bTextWrite) {
        // A file that exists as spelled (a log opened for each line) is
        // opened in one call; any other goes through the lookup below.
        std::string strLiteral = w32::LiteralPosixPath(filename);
        int fd = strLiteral.empty() ? -1 : open(strLiteral.c_str(), TextWriteFlags(strMode));
        if (fd >= 0)
            return TextStreamOf(fd, strMode);
    }
    w32::ResolvedPath path = w32::ResolvePath(filename);
    if (path.dwError) {
        errno = ENOENT;
        return nullptr;
    }
    if (bTextWrite) {
        int fd = open(path.strPosix.c_str(), TextWriteFlags(strMode) | O_CREAT, 0666);
        return fd < 0 ? nullptr : TextStreamOf(fd, strMode);
    }
    strMode += 'b';
    FILE *pFile = fopen64(path.strPosix.c_str(), strMode.c_str());
    if (!pFile || bBinary)
        return pFile;
    cookie_io_functions_t io = {TextRead, TextWrite, TextSeek, TextClose};
    FILE *pText = fopencookie(pFile, strMode.c_str(), io);
    if (!pText) {
        fclose(pFile);
        return nullptr;
    }
    return pText;
}

extern "C" int _access(const char *path, int mode)
{
    w32::ResolvedPath resolved = w32::ResolvePath(path);
    if (resolved.dwError || !resolved.bExists) {
        errno = ENOENT;
        return -1;
    }
    if ((mode & 6) == 0)
        return 0;  // existence alone: the path resolved to an entry
    int nMode = F_OK;
    if (mode & 2)
        nMode |= W_OK;
    if (mode & 4)
        nMode |= R_OK;
    if (access(resolved.strPosix.c_str(), nMode) != 0) {
        errno = errno == ENOENT ? ENOENT : EACCES;
        return -1;
    }
    return 0;
}
