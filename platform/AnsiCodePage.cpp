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
constexpr CodePage Arabic{1256, "Arabic"};
// Languages no ANSI code page writes: Wine (and Windows' "Use Unicode UTF-8"
// setting, for every language) gives their programs UTF-8.
constexpr CodePage Unicode{65001, "UTF-8"};
constexpr auto Languages = std::to_array<LanguageCodePage>({
    {"cs", CentralEuropean}, {"hu", CentralEuropean}, {"pl", CentralEuropean}, {"ro", CentralEuropean},
    {"hr", CentralEuropean}, {"sk", CentralEuropean}, {"sl", CentralEuropean}, {"sq", CentralEuropean},
    {"tk", CentralEuropean}, {"ru", Cyrillic},        {"uk", Cyrillic},        {"be", Cyrillic},
    {"bg", Cyrillic},        {"mk", Cyrillic},        {"ky", Cyrillic},        {"mn", Cyrillic},
    {"sah", Cyrillic},       {"tg", Cyrillic},        {"tt", Cyrillic},        {"el", {1253, "Greek"}},
    {"tr", Turkish},         {"he", {1255, "Hebrew"}}, {"ar", Arabic},         {"fa", Arabic},
    {"ur", Arabic},          {"ckb", Arabic},         {"ug", Arabic},          {"et", {1257, "Baltic"}},
    {"lv", {1257, "Baltic"}}, {"lt", {1257, "Baltic"}}, {"vi", {1258, "Vietnamese"}}, {"th", {874, "Thai"}},
    {"ko", {949, "Korean"}}, {"am", Unicode},         {"as", Unicode},         {"bn", Unicode},
    {"bo", Unicode},         {"chr", Unicode},        {"dv", Unicode},         {"dz", Unicode},
    {"gu", Unicode},         {"hi", Unicode},         {"hy", Unicode},         {"ka", Unicode},
    {"kk", Unicode},         {"km", Unicode},         {"kn", Unicode},         {"kok", Unicode},
    {"lo", Unicode},         {"mi", Unicode},         {"ml", Unicode},         {"mni", Unicode},
    {"mr", Unicode},         {"mt", Unicode},         {"my", Unicode},         {"ne", Unicode},
    {"om", Unicode},         {"or", Unicode},         {"pa", Unicode},         {"ps", Unicode},
    {"sa", Unicode},         {"si", Unicode},         {"st", Unicode},         {"syr", Unicode},
    {"ta", Unicode},         {"te", Unicode},         {"ti", Unicode},         {"ts", Unicode},
    {"ve", Unicode},
});

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
    if (codePage.Number == Unicode.Number) return "UTF-8 (code page 65001)";
    return "Windows-" + std::to_string(codePage.Number) + " (" + std::string(codePage.Script) + ")";
}

UnrepresentableCharacter::UnrepresentableCharacter(std::string character, CodePage codePage)
    : std::runtime_error("The character \"" + character + "\" has no place in the code page " +
                         CodePageText(codePage) + "."),
      character_(std::move(character)) {}

}  // namespace vantorix::ansi
