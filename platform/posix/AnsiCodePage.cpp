#include "platform/AnsiCodePage.h"

#include <iconv.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace vantorix::ansi {

namespace {

std::string IconvName(CodePage codePage) {
    return codePage.Number == 65001 ? "UTF-8" : "CP" + std::to_string(codePage.Number);
}

// The length of the UTF-8 sequence that starts with this byte (1 for a stray byte).
std::size_t SequenceLength(unsigned char lead) {
    if (lead >= 0xF0) return 4;
    if (lead >= 0xE0) return 3;
    if (lead >= 0xC0) return 2;
    return 1;
}

class Converter {
public:
    Converter(const std::string& to, const std::string& from) : handle_(::iconv_open(to.c_str(), from.c_str())) {
        if (handle_ == reinterpret_cast<iconv_t>(-1)) {
            throw std::runtime_error("This system cannot convert text from " + from + " to " + to + ".");
        }
    }
    ~Converter() { ::iconv_close(handle_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts all of `in`; on failure returns the errno and leaves `at` where it stopped.
    int Convert(std::string_view in, std::string& out, std::size_t& at) {
        out.clear();
        char* inPointer = const_cast<char*>(in.data());
        std::size_t inLeft = in.size();
        std::array<char, 4096> buffer;
        while (inLeft > 0) {
            char* outPointer = buffer.data();
            std::size_t outLeft = buffer.size();
            const std::size_t done = ::iconv(handle_, &inPointer, &inLeft, &outPointer, &outLeft);
            const int error = errno;
            out.append(buffer.data(), buffer.size() - outLeft);
            if (done == static_cast<std::size_t>(-1) && error != E2BIG) {
                at = in.size() - inLeft;
                return error;
            }
        }
        at = in.size();
        return 0;
    }

private:
    iconv_t handle_;
};

}  // namespace

CodePage SystemCodePage() {
    for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0') return CodePageOfLocale(value);
    }
    return CodePageOfLocale("C");
}

std::string ToCodePage(std::string_view utf8, CodePage codePage) {
    Converter converter(IconvName(codePage), "UTF-8");
    std::string out;
    std::size_t at = 0;
    const int error = converter.Convert(utf8, out, at);
    if (error == EILSEQ && at < utf8.size()) {
        const std::size_t length = SequenceLength(static_cast<unsigned char>(utf8[at]));
        const std::string character(utf8.substr(at, length));
        // iconv says EILSEQ for malformed input too: only a whole character is one the code page lacks.
        Converter check("UTF-32LE", "UTF-8");
        std::string ignored;
        std::size_t checked = 0;
        if (length > 1 && character.size() == length && check.Convert(character, ignored, checked) == 0) {
            throw UnrepresentableCharacter(character, codePage);
        }
    }
    if (error != 0) throw std::invalid_argument("The text is not UTF-8 at byte " + std::to_string(at) + ".");
    return out;
}

std::string FromCodePage(std::string_view bytes, CodePage codePage) {
    Converter converter("UTF-8", IconvName(codePage));
    std::string out;
    std::size_t at = 0;
    if (converter.Convert(bytes, out, at) != 0) {
        throw std::invalid_argument("Byte " + std::to_string(at) + " of the text has no meaning in the code page " +
                                    CodePageText(codePage) + ".");
    }
    return out;
}

}  // namespace vantorix::ansi
