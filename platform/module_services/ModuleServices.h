// Module and resource services. Windows builds use the system's; elsewhere
// this declares our stand-ins, which keep Win32's names and semantics.
#pragma once

#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#define KIV_PATH_SEPARATOR L'\\'
#else
#include <stdint.h>
#include <wchar.h>

#define KIV_PATH_SEPARATOR L'/'

typedef int BOOL;
typedef uint32_t DWORD;
typedef wchar_t WCHAR;
typedef const wchar_t* LPCWSTR;
typedef wchar_t* LPWSTR;
typedef void* LPVOID;
typedef void* HANDLE;
typedef struct KivModule* HMODULE;
typedef HMODULE HINSTANCE;
typedef struct KivResourceInfo* HRSRC;
typedef void* HGLOBAL;

#define TRUE 1
#define FALSE 0
#define MAX_PATH 260
#define LOAD_WITH_ALTERED_SEARCH_PATH 0x00000008u
#define GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT 0x00000002u
#define GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS 0x00000004u
#define ERROR_SUCCESS 0u
#define ERROR_FILE_NOT_FOUND 2u
#define ERROR_INVALID_HANDLE 6u
#define ERROR_INSUFFICIENT_BUFFER 122u
#define ERROR_BAD_EXE_FORMAT 193u
#define ERROR_MOD_NOT_FOUND 126u
#define ERROR_RESOURCE_DATA_NOT_FOUND 1812u
#define ERROR_RESOURCE_TYPE_NOT_FOUND 1813u
#define ERROR_RESOURCE_NAME_NOT_FOUND 1814u

// An integer resource name is a pointer value below 65536, as on Windows.
#define IS_INTRESOURCE(r) ((((uintptr_t)(r)) >> 16) == 0)
#define MAKEINTRESOURCEW(i) ((LPWSTR)((uintptr_t)((uint16_t)(i))))

DWORD GetLastError();
void SetLastError(DWORD error);

DWORD GetModuleFileNameW(HMODULE module, LPWSTR buffer, DWORD size);
BOOL GetModuleHandleExW(DWORD flags, LPCWSTR moduleNameOrAddress, HMODULE* module);
HMODULE LoadLibraryExW(LPCWSTR path, HANDLE reserved, DWORD flags);
BOOL FreeLibrary(HMODULE module);

HRSRC FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type);
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
LPVOID LockResource(HGLOBAL loaded);
DWORD SizeofResource(HMODULE module, HRSRC resource);
#endif
