#pragma once

// The resources vantorix.exe carries (app/win32/vantorix.rc).
#define ProgramIconResource 1
#define LogoResource 2
