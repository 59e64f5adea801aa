#include "job/mMain.h"

#include "job/ReadNumber.h"
#include "platform/AnsiCodePage.h"
#include "platform/FileSystem.h"
#include "platform/FileError.h"
#include "platform/ReplacementFile.h"
#include "vantorix/version.h"

#include <charconv>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace vantorix {

namespace {

constexpr const char* LineEnd = "\r\n";

std::string FourDigits(int number) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%04d", number);
    return buffer;
}

double ReadSetting(const char* label, const std::string& text) {
    try {
        return ReadNumber(text);
    } catch (const std::overflow_error&) {
        throw SkyboxJobError(std::string("The ") + label + " \"" + text +
                             "\" is too large a number. Enter a smaller value.");
    }
}

// To 6 decimal places, an exact half to the even neighbour: to_chars rounds
// the exact binary value that way, where scaling by 10^6 would not.
double RoundToSixDecimals(double value) {
    char buffer[400];  // the longest double in fixed notation fits
    const auto printed = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
    double rounded = 0;
    std::from_chars(buffer, printed.ptr, rounded);
    return rounded;
}

std::string WholeNumberText(double value) {
    return std::to_string(static_cast<long long>(value));
}

// 7 significant digits in plain decimal notation, trailing zeros dropped.
// Never an exponent, even for very large or small values, so any script
// reader takes the number; "." whatever the locale, since to_chars has none.
std::string SingleText(float value) {
    if (value == 0.0f) return "0";
    char buffer[32];
    const auto printed = std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(value),
                                       std::chars_format::scientific, 6);
    std::string_view text(buffer, static_cast<std::size_t>(printed.ptr - buffer));  // -d.dddddde+XX
    std::string result;
    if (text.front() == '-') {
        result = "-";
        text.remove_prefix(1);
    }
    const std::size_t e = text.find('e');
    std::string digits = std::string(text.substr(0, 1)) + std::string(text.substr(2, e - 2));
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
    int exponent = 0;
    std::from_chars(text.data() + e + 2, text.data() + text.size(), exponent);
    if (text[e + 1] == '-') exponent = -exponent;

    const int wholeDigits = exponent + 1;
    const int digitCount = static_cast<int>(digits.size());
    if (wholeDigits <= 0) {
        result += "0." + std::string(static_cast<std::size_t>(-wholeDigits), '0') + digits;
    } else if (wholeDigits >= digitCount) {
        result += digits + std::string(static_cast<std::size_t>(wholeDigits - digitCount), '0');
    } else {
        result += digits.substr(0, static_cast<std::size_t>(wholeDigits)) + "." +
                  digits.substr(static_cast<std::size_t>(wholeDigits));
    }
    return result;
}

class ScriptText {
public:
    void Line(std::string_view line = {}) {
        text_ += line;
        text_ += LineEnd;
    }
    std::string Take() { return std::move(text_); }

private:
    std::string text_;
};

}  // namespace

std::string RenderFolder(const std::string& programFolder) {
    std::string folder = programFolder;
    if (folder.empty() || !IsPathSeparator(folder.back())) folder += PathSeparator;
    return folder + "Vantorix" + PathSeparator;
}

std::string ScriptPath(const std::string& programFolder) {
    return RenderFolder(programFolder) + "Vantorix.tgs";
}

std::string RenderBaseName(const std::string& programFolder) {
    return RenderFolder(programFolder) + "Vantorix_";
}

std::string RenderFrameName(const std::string& programFolder, int frameNumber) {
    return RenderBaseName(programFolder) + FourDigits(frameNumber) + ".bmp";
}

void CreateFolderPath(const std::string& path) {
    if (path.empty()) return;
    const auto nextSeparator = [&](std::string::size_type from) {
        const auto found = std::find_if(path.begin() + static_cast<std::ptrdiff_t>(from), path.end(), IsPathSeparator);
        return static_cast<std::string::size_type>(found - path.begin());
    };
    std::string::size_type pieceEnd = nextSeparator(0);
    std::string running = path.substr(0, pieceEnd) + PathSeparator;
    while (pieceEnd < path.size()) {
        const auto pieceStart = pieceEnd + 1;
        pieceEnd = nextSeparator(pieceStart);
        running.append(path, pieceStart, pieceEnd - pieceStart);
        if (!EntryExists(running)) MakeFolder(running);
        running += PathSeparator;
    }
}

SkyboxScriptNumbers ComputeScriptNumbers(const SkyboxJob& job) {
    SkyboxScriptNumbers numbers;
    numbers.GridSize = GridSize(job.TGSize);
    const double area = ReadSetting("Landscape Area", job.TGArea);
    numbers.MetresPerUnit = area / numbers.GridSize;
    numbers.GridCentre = std::floor(numbers.GridSize / 2);

    const double height = ReadSetting("Camera Height", job.CameraHeight);
    if (numbers.MetresPerUnit == 0) {
        throw SkyboxJobError("The Landscape Area \"" + job.TGArea + "\" reads as " +
                             (area == 0 ? "0" : "too small a number") +
                             ", so the camera height cannot be measured in terrain units. "
                             "Enter the landscape's side length in metres.");
    }
    const double heightUnits = RoundToSixDecimals(height / numbers.MetresPerUnit);
    if (!(std::fabs(heightUnits) <= std::numeric_limits<float>::max())) {
        throw SkyboxJobError("The Camera Height \"" + job.CameraHeight + "\" is too large for a Landscape Area of \"" +
                             job.TGArea + "\": the script cannot hold the height in terrain units.");
    }
    numbers.HeightUnits = static_cast<float>(heightUnits);
    return numbers;
}

std::string ComposeSkyboxScript(const SkyboxJob& job, const std::string& programFolder) {
    const SkyboxScriptNumbers numbers = ComputeScriptNumbers(job);
    const std::string centre = WholeNumberText(numbers.GridCentre);
    const std::string size = WholeNumberText(numbers.GridSize);
    const std::string height = SingleText(numbers.HeightUnits);

    ScriptText script;
    script.Line(";Terragen Vantorix v" + std::to_string(VersionMajor) + "." + std::to_string(VersionMinor) + "." +
                std::to_string(VersionRevision));
    script.Line(";Skybox script written by Vantorix: run it with Execute Script in Terragen.");
    script.Line();
    script.Line(";Initialize");
    script.Line("InitAnim \"" + RenderBaseName(programFolder) + "\", 1");
    script.Line("CamPos " + centre + ", " + centre + ", " + height);
    script.Line("TarPos " + centre + ", " + size + ", " + height);
    script.Line("Zoom 1");
    script.Line("CamB 0");
    script.Line("CamP 0");
    script.Line("CamH 0");
    script.Line();
    for (int face = 0; face < SkyboxFaceCount; ++face) {
        if (!job.Render[face]) continue;
        script.Line(SkyboxFaces[face].ScriptComment);
        for (const std::string_view line : SkyboxFaces[face].CameraLines) script.Line(line);
        script.Line("FRend");
        script.Line();
    }
    return script.Take();
}

std::string ScriptInCodePage(const std::string& script, const std::string& programFolder, ansi::CodePage codePage) {
    try {
        return ansi::ToCodePage(script, codePage);
    } catch (const ansi::UnrepresentableCharacter& error) {
        // Only the folder's path is not the program's own, ASCII text.
        throw SkyboxJobError("The program's folder \"" + programFolder + "\" holds the character \"" +
                             error.Character() + "\", which Terragen cannot read: it reads scripts in the code page " +
                             ansi::CodePageText(codePage) +
                             " of this system's language, which has no such character. Move Vantorix to a folder "
                             "whose path has only characters of that code page, and press Start again.");
    }
}

#ifdef _WIN32
// Windows drops blanks and dots from the end of a path's last part only: a
// folder typed as "Sky  " in "Sky  \Low" would be made as "Sky  ", which
// Explorer cannot open, and "Sky" would be made too. Refused before anything.
void RefuseFolderNamesWindowsCannotKeep(const std::string& output) {
    std::string part;
    for (const char c : output) {
        if (!IsPathSeparator(c)) {
            part += c;
            continue;
        }
        if (!part.empty() && part != "." && part != ".." && (part.back() == ' ' || part.back() == '.')) {
            throw SkyboxJobError("The output folder \"" + part + "\" in \"" + output + "\" ends in " +
                                 (part.back() == ' ' ? "a blank" : "a dot") +
                                 ", which Windows drops from a folder's name: take it away, and press Start again.");
        }
        part.clear();
    }
}
#endif

void WriteSkyboxScript(const SkyboxJob& job, const std::string& programFolder) {
#ifdef _WIN32
    RefuseFolderNamesWindowsCannotKeep(job.Output);
#endif
    const std::string text = ScriptInCodePage(ComposeSkyboxScript(job, programFolder), programFolder,
                                              ansi::SystemCodePage());
    const std::string renderFolder = RenderFolder(programFolder);
    CreateFolderPath(renderFolder);
    // Said of the folder, not of a script that could not be written into it.
    const std::string folder = renderFolder.substr(0, renderFolder.size() - 1);  // without its separator
    if (const int refusal = FolderRefusal(folder)) {
        throw FileError("make the folder", folder, refusal,
                        "Vantorix keeps its script and Terragen's renders there, beside the program: put "
                        "Vantorix in a folder of your own, where it may make that folder");
    }
    ReplacementFile script(ScriptPath(programFolder), InPlaceWriting::ForAPlainFile);
    script.Write(text);
    script.Commit();
}

}  // namespace vantorix
