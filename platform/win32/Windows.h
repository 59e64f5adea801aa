#pragma once

// Windows' own headers, for the files of platform/win32 alone. Include it
// after the project's headers: Windows defines as macros names that those
// headers declare (MoveFile, DeleteFile, MessageBox, MB_OK, SRCCOPY, ...),
// and they are undefined here so that the rest of the file means ours.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <commdlg.h>

#include <string>
#include <string_view>

#undef MoveFile
#undef DeleteFile
#undef MessageBox
#undef CreateFileMapping
#undef FindFirstFile
#undef GetObject
#undef OPENFILENAME
#undef GetSaveFileName
#undef WIN32_FIND_DATA
#undef MB_OK
#undef MB_ICONERROR
#undef MB_ICONEXCLAMATION
#undef MB_ICONINFORMATION
#undef IDOK
#undef CF_BITMAP
#undef BI_RGB
#undef DIB_RGB_COLORS
#undef SRCCOPY
#undef HFILE_ERROR
#undef OF_WRITE
#undef OF_SHARE_DENY_WRITE

namespace vantorix::win32 {

// Paths and text are UTF-8 inside the program and UTF-16 at Windows' calls.
std::wstring Wide(std::string_view utf8);
std::string Utf8(std::wstring_view wide);

// The errno value nearest a Windows error, so that a failure reads and
// tests the same on both systems (ERROR_ACCESS_DENIED is EACCES, ...).
int ErrnoOf(DWORD windowsError);
// The same for the calling thread's last error.
inline int LastErrno() { return ErrnoOf(::GetLastError()); }

}  // namespace vantorix::win32
