#pragma once

#include "platform/Gdi.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>

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

// The record's buffers hold UTF-8 and are counted in characters as Windows
// counts them (UTF-16 units): a buffer of n characters has room for this
// many bytes a character.
inline constexpr DWORD BytesPerCharacter = 3;

// How many UTF-16 units the UTF-8 text makes: one a character, two beyond
// the Basic Multilingual Plane.
constexpr std::size_t CharacterCount(std::string_view utf8) {
    std::size_t count = 0;
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte & 0xC0) != 0x80) count += byte >= 0xF0 ? 2 : 1;
    }
    return count;
}

// Puts the chosen text into a buffer of `characters` characters, its NUL
// included. Throws std::length_error naming the text when it does not fit.
inline void CopyChosen(char* buffer, DWORD characters, std::string_view text) {
    if (buffer == nullptr) return;
    const std::size_t count = CharacterCount(text);
    if (count + 1 > characters) {
        throw std::length_error("The name chosen, \"" + std::string(text) + "\", has " + std::to_string(count) +
                                " characters; Vantorix takes at most " + std::to_string(characters - 1) +
                                ". Choose a shorter name, or a folder nearer the top of the disk.");
    }
    std::memcpy(buffer, text.data(), text.size());
    buffer[text.size()] = '\0';
}

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
    DWORD nMaxFile = 0;                    // lpstrFile's characters, its NUL included
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
// Returns 1 when the user confirmed a name, 0 when the user cancelled or
// the dialog could not give one. Throws std::length_error, saying so, for a
// confirmed name longer than the record's buffers hold.
int GetSaveFileNameA(OPENFILENAME* record);

// The open-file dialog, as the save dialog but for a file that exists
// (null title: "Open").
int GetOpenFileNameA(OPENFILENAME* record);

}  // namespace vantorix::dialogs
