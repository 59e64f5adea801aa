#include "platform/AnsiCodePage.h"

#include <algorithm>
#include <array>

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

CodePage CodePageByNumber(int number) {
    if (number == Western.Number) return Western;
    if (number == 932) return CodePageOfLocale("ja");
    if (number == SimplifiedChinese.Number) return SimplifiedChinese;
    if (number == TraditionalChinese.Number) return TraditionalChinese;
    const auto found = std::find_if(Languages.begin(), Languages.end(),
                                    [&](const LanguageCodePage& entry) { return entry.Page.Number == number; });
    return found != Languages.end() ? found->Page : CodePage{number, "of this system"};
}

std::string CodePageText(CodePage codePage) {
    return "Windows-" + std::to_string(codePage.Number) + " (" + std::string(codePage.Script) + ")";
}

UnrepresentableCharacter::UnrepresentableCharacter(std::string character, CodePage codePage)
    : std::runtime_error("The character \"" + character + "\" has no place in the code page " +
                         CodePageText(codePage) + "."),
      character_(std::move(character)) {}

}  // namespace vantorix::ansi
