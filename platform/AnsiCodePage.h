#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

// The "ANSI code page" in which Windows programs read and write text, as
// Wine gives it to them on Linux. Terragen runs under Wine there, so the
// scripts it reads are written in this code page.
namespace vantorix::ansi {

struct CodePage {
    int Number;               // 1252, 1251, ..., 874, 932
    std::string_view Script;  // "Western European", "Cyrillic", ...
};

// The code page Wine picks for a locale name such as "de_DE.UTF-8" or
// "sr_RS@latin"; C, POSIX, the empty name and every language it does not
// list get 1252.
CodePage CodePageOfLocale(std::string_view locale);

// The code page with this number, named.
CodePage CodePageByNumber(int number);

// The code page Windows programs of this user read and write in: on Linux
// that of the user's locale (LC_ALL, else LC_CTYPE, else LANG), as Wine
// picks it; on Windows the system's own (GetACP).
CodePage SystemCodePage();

// "Windows-1252 (Western European)".
std::string CodePageText(CodePage codePage);

// A character of the text that the code page has no byte for.
class UnrepresentableCharacter : public std::runtime_error {
public:
    UnrepresentableCharacter(std::string character, CodePage codePage);
    const std::string& Character() const noexcept { return character_; }  // as UTF-8

private:
    std::string character_;
};

// UTF-8 text in the code page, a character at a time (ASCII stays as it is).
// Throws UnrepresentableCharacter for the first character it cannot hold,
// and std::invalid_argument when the text is not UTF-8.
std::string ToCodePage(std::string_view utf8, CodePage codePage);

// Text in the code page as UTF-8; throws std::invalid_argument for a byte
// the code page leaves undefined.
std::string FromCodePage(std::string_view bytes, CodePage codePage);

}  // namespace vantorix::ansi
