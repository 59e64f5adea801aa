#include "platform/AnsiCodePage.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace vantorix::ansi {
namespace {

TEST(AnsiCodePage, EachLocaleGetsTheCodePageWineGivesIt) {
    const struct {
        const char* locale;
        int codePage;
    } cases[] = {
        {"C", 1252},           {"POSIX", 1252},          {"", 1252},           {"C.UTF-8", 1252},
        {"en_US.UTF-8", 1252}, {"de_DE.UTF-8", 1252},    {"fr_FR@euro", 1252}, {"eo", 1252},  // not listed
        {"pl_PL.UTF-8", 1250}, {"cs_CZ", 1250},          {"sq_AL.UTF-8", 1250}, {"sr_RS@latin", 1250},
        {"ru_RU.UTF-8", 1251}, {"uk_UA", 1251},          {"sr_RS.UTF-8", 1251}, {"az_AZ@cyrillic", 1251},
        {"el_GR.UTF-8", 1253}, {"tr_TR.UTF-8", 1254},    {"az_AZ.UTF-8", 1254}, {"he_IL.UTF-8", 1255},
        {"fa_IR", 1256},       {"ar_EG.UTF-8", 1256},    {"lt_LT.UTF-8", 1257}, {"vi_VN", 1258},
        {"th_TH.UTF-8", 874},  {"ja_JP.UTF-8", 932},     {"zh_CN.UTF-8", 936},  {"zh_SG", 936},
        {"ko_KR.UTF-8", 949},  {"zh_TW.UTF-8", 950},     {"zh_HK.UTF-8", 950},  {"tk_TM", 1250},
        {"ky_KG.UTF-8", 1251}, {"tt_RU", 1251},          {"ug_CN", 1256},       {"hi_IN.UTF-8", 65001},
        {"ka_GE", 65001},      {"hy_AM.UTF-8", 65001},   {"ta_IN", 65001},      {"am_ET", 65001},
    };
    for (const auto& [locale, codePage] : cases) EXPECT_EQ(CodePageOfLocale(locale).Number, codePage) << locale;
    EXPECT_EQ(CodePageText(CodePageOfLocale("ru_RU")), "Windows-1251 (Cyrillic)");
}

#ifdef _WIN32
// Windows says it itself.
TEST(AnsiCodePage, TheSystemsCodePageIsWindowsOwn) {
    EXPECT_EQ(SystemCodePage().Number, 1252) << "the test prefix's language is English";
}
#else
TEST(AnsiCodePage, TheUsersLocaleIsLcAllElseLcCtypeElseLang) {
    const struct {
        const char *all, *ctype, *lang;
        int codePage;
    } cases[] = {
        {"pl_PL.UTF-8", "ru_RU.UTF-8", "ja_JP.UTF-8", 1250},
        {"", "ru_RU.UTF-8", "ja_JP.UTF-8", 1251},
        {nullptr, nullptr, "ja_JP.UTF-8", 932},
        {nullptr, nullptr, nullptr, 1252},
    };
    for (const auto& c : cases) {
        const auto set = [](const char* name, const char* value) {
            if (value != nullptr) ::setenv(name, value, 1);
            else ::unsetenv(name);
        };
        set("LC_ALL", c.all);
        set("LC_CTYPE", c.ctype);
        set("LANG", c.lang);
        EXPECT_EQ(SystemCodePage().Number, c.codePage) << c.codePage;
    }
    ::unsetenv("LC_CTYPE");
    ::unsetenv("LANG");
    ::setenv("LC_ALL", "C", 1);
}
#endif

TEST(AnsiCodePage, TextBecomesOneByteACharacterOrNamesTheCharacterItCannotHold) {
    const CodePage western = CodePageOfLocale("C");
    EXPECT_EQ(ToCodePage("/home/Sky \xC3\xA9 \xC3\xBC\r\n", western), "/home/Sky \xE9 \xFC\r\n");
    EXPECT_EQ(ToCodePage("\xD0\x96", CodePageOfLocale("ru_RU")), "\xC6");  // Zhe
    EXPECT_EQ(ToCodePage("\xE7\xA9\xBA", CodePageOfLocale("ja_JP")), "\x8B\xF3");  // sky, two bytes in 932
    EXPECT_EQ(FromCodePage("Sky \xE9", western), "Sky \xC3\xA9");
    std::string longText;  // more than one 4 KiB buffer of output
    for (int i = 0; i < 5000; ++i) longText += "\xC3\xA9";
    EXPECT_EQ(ToCodePage(longText, western), std::string(5000, '\xE9'));
    try {
        ToCodePage("/home/\xE7\xA9\xBA/x", western);
        FAIL() << "a character 1252 lacks was converted";
    } catch (const UnrepresentableCharacter& error) {
        EXPECT_EQ(error.Character(), "\xE7\xA9\xBA");
        EXPECT_NE(std::string(error.what()).find("Windows-1252"), std::string::npos) << error.what();
    }
    EXPECT_THROW(ToCodePage("bad \xFF byte", western), std::invalid_argument);
    // UTF-8 as the code page (Windows' "Use Unicode UTF-8" setting) holds every character as it is.
    const CodePage unicode = CodePageByNumber(65001);
    EXPECT_EQ(CodePageText(unicode), "UTF-8 (code page 65001)");
    const std::string hindi = "/home/\xE0\xA4\xA8\xE0\xA4\xAE/\xE7\xA9\xBA \xC3\xA9\r\n";
    EXPECT_EQ(ToCodePage(hindi, unicode), hindi);
    EXPECT_EQ(FromCodePage(hindi, unicode), hindi);
    EXPECT_THROW(ToCodePage("bad \xFF byte", unicode), std::invalid_argument);
#ifdef _WIN32
    // Windows reads the five bytes 1252 leaves undefined as the control characters of their numbers.
    EXPECT_EQ(FromCodePage("\x81", western), "\xC2\x81");
#else
    EXPECT_THROW(FromCodePage("\x81", western), std::invalid_argument) << "1252 leaves 0x81 undefined";
#endif
}

}  // namespace
}  // namespace vantorix::ansi
