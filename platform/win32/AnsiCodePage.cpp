#include "platform/AnsiCodePage.h"

#include "platform/win32/Windows.h"

namespace vantorix::ansi {

namespace {

// UTF-8 as UTF-16, or the byte where it stops being UTF-8.
std::wstring FromUtf8(std::string_view utf8) {
    if (utf8.empty()) return {};
    const int length = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()),
                                             nullptr, 0);
    if (length == 0) {
        // Find the first byte where the text stops being UTF-8, for the message.
        std::size_t good = 0;
        for (std::size_t end = 1; end <= utf8.size(); ++end) {
            if (::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data() + good, static_cast<int>(end - good),
                                      nullptr, 0) > 0) {
                good = end;
            } else if (end - good >= 4) {
                break;
            }
        }
        throw std::invalid_argument("The text is not UTF-8 at byte " + std::to_string(good) + ".");
    }
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()), wide.data(), length);
    return wide;
}

}  // namespace

CodePage SystemCodePage() {
    return CodePageByNumber(static_cast<int>(::GetACP()));
}

std::string ToCodePage(std::string_view utf8, CodePage codePage) {
    const std::wstring wide = FromUtf8(utf8);
    // UTF-8 holds every character; Windows refuses the "lacked" question for it.
    if (codePage.Number == CP_UTF8) return std::string(utf8);
    std::string out;
    // A character at a time, so that the first one the code page lacks can be named.
    for (std::size_t at = 0; at < wide.size();) {
        const std::size_t length = IS_HIGH_SURROGATE(wide[at]) && at + 1 < wide.size() ? 2 : 1;
        char bytes[8];
        BOOL lacked = FALSE;
        const int made = ::WideCharToMultiByte(static_cast<UINT>(codePage.Number), WC_NO_BEST_FIT_CHARS,
                                               wide.data() + at, static_cast<int>(length), bytes, sizeof bytes,
                                               nullptr, &lacked);
        if (made <= 0 || lacked) throw UnrepresentableCharacter(win32::Utf8({wide.data() + at, length}), codePage);
        out.append(bytes, static_cast<std::size_t>(made));
        at += length;
    }
    return out;
}

std::string FromCodePage(std::string_view bytes, CodePage codePage) {
    if (bytes.empty()) return {};
    if (codePage.Number == CP_UTF8) {
        FromUtf8(bytes);
        return std::string(bytes);
    }
    const UINT page = static_cast<UINT>(codePage.Number);
    const int length =
        ::MultiByteToWideChar(page, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    if (length == 0) {
        throw std::invalid_argument("The text has a byte with no meaning in the code page " + CodePageText(codePage) + ".");
    }
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    ::MultiByteToWideChar(page, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()), wide.data(), length);
    return win32::Utf8(wide);
}

}  // namespace vantorix::ansi
