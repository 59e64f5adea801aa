#include "platform/AnsiCodePage.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace vantorix::ansi {

namespace {

constexpr CodePage Western{1252, "Western European"};

// Wine's choice of ANSI code page by language (its locale table, for the
// languages Terragen's users write in); a language not listed is Western.
// Serbian, Azeri and Chinese depend on the script or country as well: see
// CodePageOfLocale.
struct LanguageCodePage {
    std::string_view Language;
    CodePage Page;
};
constexpr CodePage CentralEuropean{1250, "Central European"};
constexpr CodePage Cyrillic{1251, "Cyrillic"};
constexpr CodePage Turkish{1254, "Turkish"};
constexpr CodePage SimplifiedChinese{936, "Simplified Chinese"};
constexpr CodePage TraditionalChinese{950, "Traditional Chinese"};
constexpr std::array<LanguageCodePage, 25> Languages{{
    {"cs", CentralEuropean}, {"hu", CentralEuropean}, {"pl", CentralEuropean}, {"ro", CentralEuropean},
    {"hr", CentralEuropean}, {"sk", CentralEuropean}, {"sl", CentralEuropean}, {"sq", CentralEuropean},
    {"ru", Cyrillic},        {"uk", Cyrillic},        {"be", Cyrillic},        {"bg", Cyrillic},
    {"mk", Cyrillic},        {"el", {1253, "Greek"}}, {"tr", Turkish},         {"he", {1255, "Hebrew"}},
    {"ar", {1256, "Arabic"}}, {"fa", {1256, "Arabic"}}, {"ur", {1256, "Arabic"}}, {"et", {1257, "Baltic"}},
    {"lv", {1257, "Baltic"}}, {"lt", {1257, "Baltic"}}, {"vi", {1258, "Vietnamese"}}, {"th", {874, "Thai"}},
    {"ko", {949, "Korean"}},
}};

std::string IconvName(CodePage codePage) { return "CP" + std::to_string(codePage.Number); }

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

CodePage CodePageOfLocale(std::string_view locale) {
    const std::string_view language = locale.substr(0, locale.find_first_of("_.@"));
    const auto part = [&](char mark, std::string_view ends) {
        const auto start = locale.find(mark);
        if (start == std::string_view::npos) return std::string_view();
        return locale.substr(start + 1, locale.find_first_of(ends, start + 1) - start - 1);
    };
    const std::string_view country = part('_', ".@");
    const std::string_view modifier = part('@', "");
    if (language == "sr") return modifier == "latin" ? CentralEuropean : Cyrillic;
    if (language == "az") return modifier == "cyrillic" ? Cyrillic : Turkish;
    if (language == "ja") return {932, "Japanese"};
    if (language == "zh") {
        return country == "TW" || country == "HK" || country == "MO" ? TraditionalChinese : SimplifiedChinese;
    }
    const auto found = std::find_if(Languages.begin(), Languages.end(),
                                    [&](const LanguageCodePage& entry) { return entry.Language == language; });
    return found != Languages.end() ? found->Page : Western;
}

CodePage SystemCodePage() {
    for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0') return CodePageOfLocale(value);
    }
    return Western;
}

std::string CodePageText(CodePage codePage) {
    return "Windows-" + std::to_string(codePage.Number) + " (" + std::string(codePage.Script) + ")";
}

UnrepresentableCharacter::UnrepresentableCharacter(std::string character, CodePage codePage)
    : std::runtime_error("The character \"" + character + "\" has no place in the code page " +
                         CodePageText(codePage) + "."),
      character_(std::move(character)) {}

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
