// Part of the Win32 layer's API, included by windows.h.
// version: the version resource of a PE file (PE32 and PE32+), read from the
// file itself; the file is never loaded or run.
#pragma once

#define VS_FFI_SIGNATURE 0xFEEF04BDu
#define VS_FFI_STRUCVERSION 0x00010000u
#define VS_VERSION_INFO 1
#define VS_FF_DEBUG 0x00000001u
#define VOS_NT_WINDOWS32 0x00040004u
#define VFT_APP 0x00000001u
#define VFT_DLL 0x00000002u

typedef struct tagVS_FIXEDFILEINFO {
    DWORD dwSignature;
    DWORD dwStrucVersion;
    DWORD dwFileVersionMS;
    DWORD dwFileVersionLS;
    DWORD dwProductVersionMS;
    DWORD dwProductVersionLS;
    DWORD dwFileFlagsMask;
    DWORD dwFileFlags;
    DWORD dwFileOS;
    DWORD dwFileType;
    DWORD dwFileSubtype;
    DWORD dwFileDateMS;
    DWORD dwFileDateLS;
} VS_FIXEDFILEINFO;

#ifndef LOWORD
#define LOWORD(l) ((WORD)(((DWORD_PTR)(l)) & 0xffff))
#define HIWORD(l) ((WORD)((((DWORD_PTR)(l)) >> 16) & 0xffff))
#endif

typedef UINT *PUINT;

#ifdef __cplusplus
extern "C" {
#endif

// The size of the block that GetFileVersionInfoA fills; 0 with the last error
// set when the file has no readable version resource. *lpdwHandle becomes 0.
DWORD WINAPI GetFileVersionInfoSizeA(LPCSTR lptstrFilename, LPDWORD lpdwHandle);
// Copies the version resource into lpData, cut to dwLen bytes when it is longer.
BOOL WINAPI GetFileVersionInfoA(LPCSTR lptstrFilename, DWORD dwHandle, DWORD dwLen, LPVOID lpData);
// Only the root block "\" is answered: *lplpBuffer points at the root's value
// inside pBlock, the VS_FIXEDFILEINFO, and *puLen is its length. As on the
// system, its signature is not checked here.
BOOL WINAPI VerQueryValueA(LPCVOID pBlock, LPCSTR lpSubBlock, LPVOID *lplpBuffer, PUINT puLen);

#ifdef __cplusplus
}
#endif
