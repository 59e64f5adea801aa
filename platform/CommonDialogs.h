#pragma once

#include "platform/Gdi.h"

#include <cstdint>

// The save-file dialog with the shape of the common-dialog call the program
// was first built on: one record in, the user's choice written back into
// the caller's buffers.
namespace vantorix::dialogs {

using gdi::DWORD;
using gdi::HWND;
using WORD = std::uint16_t;

inline constexpr DWORD OFN_OVERWRITEPROMPT = 0x2;
inline constexpr DWORD OFN_HIDEREADONLY = 0x4;
inline constexpr DWORD OFN_ENABLEHOOK = 0x20;
inline constexpr DWORD OFN_ENABLETEMPLATE = 0x40;

// The size the record's ANSI form declares itself with, whatever the size
// of the struct below on this machine.
inline constexpr DWORD OPENFILENAME_SIZE = 76;

struct OPENFILENAME {
    DWORD lStructSize = 0;
    HWND hwndOwner = 0;                    // 0: no owner
    gdi::HANDLE hInstance = 0;             // unused: no templates here
    const char* lpstrFilter = nullptr;     // description, NUL, pattern, NUL ... NUL
    char* lpstrCustomFilter = nullptr;     // unused
    DWORD nMaxCustFilter = 0;
    DWORD nFilterIndex = 0;                // 1-based; 0 or out of range: the first
    char* lpstrFile = nullptr;             // in: initial name; out: the chosen path
    DWORD nMaxFile = 0;                    // lpstrFile's size, its NUL included
    char* lpstrFileTitle = nullptr;        // out: the chosen name without its folder
    DWORD nMaxFileTitle = 0;
    const char* lpstrInitialDir = nullptr;
    const char* lpstrTitle = nullptr;      // null: "Save As"
    DWORD Flags = 0;
    WORD nFileOffset = 0;                  // out: where the name begins in lpstrFile
    WORD nFileExtension = 0;               // out: where its extension begins
    const char* lpstrDefExt = nullptr;     // appended when the user types none
    std::intptr_t lCustData = 0;           // unused
    void* lpfnHook = nullptr;              // unused: hooks are not supported
    const char* lpTemplateName = nullptr;  // unused
};

// Shows the modal save-file dialog the record describes, over its owner.
// Returns 1 when the user confirmed a name that fits the record's buffers,
// 0 when the user cancelled or the dialog could not give one.
int GetSaveFileNameA(OPENFILENAME* record);

}  // namespace vantorix::dialogs
