#include "job/mMain.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/TempFolder.h"

namespace vantorix {
namespace {

const std::string Program = testing::Native("/opt/terragen");

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::string::size_type start = 0;
    for (auto end = text.find("\r\n"); end != std::string::npos; end = text.find("\r\n", start)) {
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    EXPECT_EQ(start, text.size()) << "text after the last line end";
    return lines;
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) text += line + "\r\n";
    return text;
}

// The script minus its notice line, which is ours to word.
std::string WithoutNotice(const std::string& script) {
    auto lines = Lines(script);
    lines.erase(lines.begin() + 1);
    return Joined(lines);
}

std::string Script(const SkyboxJob& job) { return ComposeSkyboxScript(job, Program); }

SkyboxJob WithHeight(const std::string& height) {
    SkyboxJob job;
    job.CameraHeight = height;
    return job;
}

std::string CamPos(const SkyboxJob& job) { return Lines(Script(job)).at(5); }

TEST(SkyboxScript, DefaultJobGivesTheWholeScriptByteForByte) {
    const std::string script = Script(SkyboxJob{});
    const std::vector<std::string> expected = {
        ";Terragen Vantorix v1.0.0",
        "",
        ";Initialize",
        "InitAnim \"" + testing::Native("/opt/terragen/Vantorix/Vantorix_") + "\", 1",
        "CamPos 128, 128, 3.333333",
        "TarPos 128, 256, 3.333333",
        "Zoom 1",
        "CamB 0",
        "CamP 0",
        "CamH 0",
        "",
        ";North", "CamH 0", "FRend", "",
        ";South", "CamH 180", "FRend", "",
        ";East", "CamH 90", "FRend", "",
        ";West", "CamH 270", "FRend", "",
        ";Up", "CamH 270", "CamP 90", "FRend", "",
        ";Down", "CamH 270", "CamP -90", "FRend", "",
    };
    EXPECT_EQ(WithoutNotice(script), Joined(expected));
    EXPECT_EQ(Lines(script).size(), 38u);
    EXPECT_EQ(script.substr(script.size() - 4), "\r\n\r\n");
}

TEST(SkyboxScript, NoticeIsOneAsciiCommentLine) {
    const std::string notice = Lines(Script(SkyboxJob{})).at(1);
    ASSERT_GE(notice.size(), 2u);
    EXPECT_EQ(notice.front(), ';');
    for (unsigned char c : notice) EXPECT_TRUE(c >= 0x20 && c < 0x7F) << "byte " << int(c);
}

TEST(SkyboxScript, CameraAndTargetLinesForEveryGridOption) {
    const char* expected[][2] = {
        {"CamPos 64, 64, 1.666667", "TarPos 64, 128, 1.666667"},
        {"CamPos 128, 128, 3.333333", "TarPos 128, 256, 3.333333"},
        {"CamPos 256, 256, 6.666667", "TarPos 256, 512, 6.666667"},
        {"CamPos 512, 512, 13.33333", "TarPos 512, 1024, 13.33333"},
        {"CamPos 1024, 1024, 26.66667", "TarPos 1024, 2048, 26.66667"},
        {"CamPos 2048, 2048, 53.33333", "TarPos 2048, 4096, 53.33333"},
    };
    for (int option = 0; option < 6; ++option) {
        SkyboxJob job;
        job.TGSize = option;
        const auto lines = Lines(Script(job));
        EXPECT_EQ(lines.at(5), expected[option][0]) << "option " << option;
        EXPECT_EQ(lines.at(6), expected[option][1]) << "option " << option;
    }
}

TEST(SkyboxScript, OnlyChosenFacesGetBlocksInFaceOrder) {
    SkyboxJob none;
    none.Render = {};
    const std::string header = Script(none);
    EXPECT_EQ(Lines(header).size(), 12u);
    EXPECT_EQ(header.find("FRend"), std::string::npos);
    EXPECT_EQ(header.substr(header.size() - 4), "\r\n\r\n");

    SkyboxJob up = none;
    up.Render[Up] = true;
    EXPECT_EQ(Script(up), header + Joined({";Up", "CamH 270", "CamP 90", "FRend", ""}));

    SkyboxJob northAndDown = none;
    northAndDown.Render[North] = northAndDown.Render[Down] = true;
    EXPECT_EQ(Script(northAndDown),
              header + Joined({";North", "CamH 0", "FRend", "", ";Down", "CamH 270", "CamP -90", "FRend", ""}));
}

TEST(SkyboxScript, HeightInTerrainUnitsIsSevenSignificantDigitsOfASingle) {
    EXPECT_EQ(CamPos(WithHeight("90")), "CamPos 128, 128, 3");
    EXPECT_EQ(CamPos(WithHeight("0")), "CamPos 128, 128, 0");
    EXPECT_EQ(CamPos(WithHeight("-0")), "CamPos 128, 128, 0");
    EXPECT_EQ(CamPos(WithHeight("-45")), "CamPos 128, 128, -1.5");
    EXPECT_EQ(CamPos(WithHeight("12abc")), "CamPos 128, 128, 0.4");
    EXPECT_EQ(CamPos(WithHeight("1 00")), "CamPos 128, 128, 3.333333");
    EXPECT_EQ(CamPos(WithHeight("abc")), "CamPos 128, 128, 0");
    // beyond the range where a general format would switch to an exponent
    EXPECT_EQ(CamPos(WithHeight("1e9")), "CamPos 128, 128, 33333330");
    EXPECT_EQ(CamPos(WithHeight("0.003")), "CamPos 128, 128, 0.0001");
    EXPECT_EQ(CamPos(WithHeight("0.0003")), "CamPos 128, 128, 0.00001");
}

TEST(SkyboxScript, HeightIsRoundedToSixDecimalsHalfToEvenBeforeSinglePrecision) {
    // 0.234375 / 30 is exactly 0.0078125 and 0.703125 / 30 exactly 0.0234375: true halves
    EXPECT_EQ(CamPos(WithHeight("0.234375")), "CamPos 128, 128, 0.007812");
    EXPECT_EQ(CamPos(WithHeight("0.703125")), "CamPos 128, 128, 0.023438");
    // below half a millionth of a unit the height rounds away to 0
    EXPECT_EQ(CamPos(WithHeight("0.000012")), "CamPos 128, 128, 0");
}

TEST(SkyboxScript, NumbersThatCannotBeComputedStopWithTheFieldAndWhatItRead) {
    for (const char* area : {"0", "", "abc", "0.0"}) {
        SkyboxJob job;
        job.TGArea = area;
        try {
            Script(job);
            ADD_FAILURE() << "area \"" << area << "\" gave a script";
        } catch (const SkyboxJobError& error) {
            const std::string message = error.what();
            EXPECT_NE(message.find("Landscape Area \"" + std::string(area) + "\""), std::string::npos) << message;
        }
    }
    SkyboxJob zeroBoth;
    zeroBoth.TGArea = zeroBoth.CameraHeight = "0";
    EXPECT_THROW(Script(zeroBoth), SkyboxJobError);

    SkyboxJob tooHigh;
    tooHigh.CameraHeight = "1e41";
    try {
        Script(tooHigh);
        ADD_FAILURE() << "a height beyond single precision gave a script";
    } catch (const SkyboxJobError& error) {
        EXPECT_NE(std::string(error.what()).find("Camera Height \"1e41\""), std::string::npos) << error.what();
    }
    SkyboxJob hugeArea;
    hugeArea.TGArea = "1e999";
    EXPECT_THROW(Script(hugeArea), SkyboxJobError);
    SkyboxJob tinyArea;
    tinyArea.TGArea = "1e-320";
    EXPECT_THROW(Script(tinyArea), SkyboxJobError);
}

TEST(SkyboxScript, NegativeValuesCarryTheirSign) {
    SkyboxJob job;
    job.TGArea = "-7680";
    EXPECT_EQ(CamPos(job), "CamPos 128, 128, -3.333333");
}

// A locale whose decimal separator is "," must not reach the script.
class CommaLocale : public ::testing::Test {
protected:
    void SetUp() override {
#ifdef _WIN32
        if (std::setlocale(LC_ALL, "German_Germany.1252") == nullptr) GTEST_SKIP() << "no German locale here";
#else
        if (std::system(("localedef -i de_DE -f UTF-8 " + folder_.Path() + "/de_DE.UTF-8 2>/dev/null").c_str()) != 0)
            GTEST_SKIP() << "localedef cannot make de_DE.UTF-8 here";
        ::setenv("LOCPATH", folder_.Path().c_str(), 1);
        if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) GTEST_SKIP() << "de_DE.UTF-8 not usable";
#endif
        char probe[16];
        std::snprintf(probe, sizeof probe, "%.1f", 1.5);
        ASSERT_STREQ(probe, "1,5") << "the locale does not use a decimal comma";
    }
    void TearDown() override {
        std::setlocale(LC_ALL, "C");
#ifndef _WIN32
        ::unsetenv("LOCPATH");
#endif
    }
    testing::TempFolder folder_;
};

TEST_F(CommaLocale, ScriptNumbersStillUseADot) {
    EXPECT_EQ(CamPos(WithHeight("100")), "CamPos 128, 128, 3.333333");
    EXPECT_EQ(CamPos(WithHeight("12.5")), "CamPos 128, 128, 0.416667");
    EXPECT_EQ(CamPos(WithHeight("12,5")), "CamPos 128, 128, 0.4");
}

}  // namespace
}  // namespace vantorix
