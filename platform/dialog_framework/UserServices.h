// The window services the dialog framework is built on. Windows builds use
// the system's; elsewhere this declares the headless backend, which keeps
// Win32's names and the behaviour the framework relies on, with windows and
// controls as plain state and no display.
#pragma once

#include "platform/module_services/ModuleServices.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <stdint.h>

typedef unsigned int UINT;
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef intptr_t LRESULT;
typedef intptr_t INT_PTR;
typedef intptr_t LONG_PTR;
typedef struct KivWindow* HWND;
typedef struct KivMenu* HMENU;
typedef const struct KivDialogTemplate* LPCDLGTEMPLATEW;

#define CALLBACK
typedef INT_PTR (*DLGPROC)(HWND, UINT, WPARAM, LPARAM);

#define LOWORD(l) ((uint16_t)(((uintptr_t)(l)) & 0xffff))
#define HIWORD(l) ((uint16_t)((((uintptr_t)(l)) >> 16) & 0xffff))
#define MAKEWPARAM(l, h) ((WPARAM)(((uint32_t)(uint16_t)(l)) | (((uint32_t)(uint16_t)(h)) << 16)))

#define WM_DESTROY 0x0002
#define WM_SETTEXT 0x000C
#define WM_GETTEXT 0x000D
#define WM_GETTEXTLENGTH 0x000E
#define WM_NCDESTROY 0x0082
#define WM_INITDIALOG 0x0110
#define WM_COMMAND 0x0111

#define IDOK 1
#define IDCANCEL 2

#define BS_PUSHBUTTON 0x0000u
#define BS_DEFPUSHBUTTON 0x0001u
#define BS_AUTOCHECKBOX 0x0003u
#define BS_TYPEMASK 0x000Fu
#define BN_CLICKED 0
#define BM_GETCHECK 0x00F0
#define BM_SETCHECK 0x00F1
#define BM_CLICK 0x00F5
#define BST_UNCHECKED 0
#define BST_CHECKED 1

#define CB_ERR (-1)
#define CB_ADDSTRING 0x0143
#define CB_GETCOUNT 0x0146
#define CB_GETCURSEL 0x0147
#define CB_GETLBTEXT 0x0148
#define CB_GETLBTEXTLEN 0x0149
#define CB_RESETCONTENT 0x014B
#define CB_SETCURSEL 0x014E

#define SC_CLOSE 0xF060
#define MF_BYCOMMAND 0x0000u
#define MF_ENABLED 0x0000u
#define MF_GRAYED 0x0001u
#define MF_DISABLED 0x0002u

#define DWLP_USER 16

#define ERROR_INVALID_WINDOW_HANDLE 1400u
#define ERROR_CONTROL_ID_NOT_FOUND 1421u
#define ERROR_NO_DISPLAY 1116u  // the headless backend has no desktop to show a dialog on

LRESULT SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
HWND GetDlgItem(HWND dialog, int id);
int GetDlgCtrlID(HWND window);
BOOL SetWindowTextW(HWND window, LPCWSTR text);
int GetWindowTextW(HWND window, LPWSTR buffer, int size);
BOOL IsWindow(HWND window);
BOOL DestroyWindow(HWND window);
LONG_PTR SetWindowLongPtrW(HWND window, int index, LONG_PTR value);
LONG_PTR GetWindowLongPtrW(HWND window, int index);

HMENU GetSystemMenu(HWND window, BOOL revert);
BOOL EnableMenuItem(HMENU menu, UINT item, UINT flags);
UINT GetMenuState(HMENU menu, UINT item, UINT flags);

BOOL EndDialog(HWND dialog, INT_PTR result);
// Fails with -1: there is no display to run a modal dialog on.
INT_PTR DialogBoxIndirectParamW(HINSTANCE instance, LPCDLGTEMPLATEW dialogTemplate, HWND parent, DLGPROC procedure,
                                LPARAM parameter);
#endif
