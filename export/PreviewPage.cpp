#include "export/PreviewPage.h"

#include "platform/JpegLibrary.h"
#include "platform/ReplacementFile.h"

#include <string_view>

namespace vantorix::cube {

namespace {

std::string Base64(const std::vector<std::uint8_t>& bytes) {
    static constexpr char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::uint32_t group = static_cast<std::uint32_t>(bytes[i]) << 16 |
                                    (i + 1 < bytes.size() ? bytes[i + 1] << 8 : 0) |
                                    (i + 2 < bytes.size() ? bytes[i + 2] : 0);
        text += digits[group >> 18 & 63];
        text += digits[group >> 12 & 63];
        text += i + 1 < bytes.size() ? digits[group >> 6 & 63] : '=';
        text += i + 2 < bytes.size() ? digits[group & 63] : '=';
    }
    return text;
}

std::string EscapedHtml(std::string_view text) {
    std::string escaped;
    for (const char c : text) {
        if (c == '&') escaped += "&amp;";
        else if (c == '<') escaped += "&lt;";
        else if (c == '>') escaped += "&gt;";
        else if (c == '"') escaped += "&quot;";
        else escaped += c;
    }
    return escaped;
}

}  // namespace

void WritePreviewPage(const std::string& path, const CubeMap& map, const std::string& title) {
    std::string faces;
    for (const RgbImage& face : map) {
        // Every texel's own colour: a preview is for judging the sky's colours too.
        const std::vector<std::uint8_t> jpeg = ijl::EncodeJpeg(face.Pixels.data(), face.Width, face.Height, 95, true);
        faces += std::string(faces.empty() ? "" : ",\n") + "  'data:image/jpeg;base64," + Base64(jpeg) + "'";
    }
    ReplacementFile file(path);
    file.Write("<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>");
    file.Write(EscapedHtml(title));
    file.Write("</title>\n<style>\n"
               "html, body { margin: 0; height: 100%; overflow: hidden; background: #000; }\n"
               "canvas { display: block; cursor: grab; touch-action: none; }\n"
               "#heading { position: fixed; left: 12px; bottom: 10px; color: #fff; font: 14px sans-serif;"
               " text-shadow: 0 0 3px #000; pointer-events: none; }\n"
               "</style>\n</head>\n<body>\n<div id=\"sky\"></div>\n<div id=\"heading\"></div>\n<script>\n");
    file.Write(PreviewScript);
    file.Write("\n</script>\n<script>\nconst faces = [  // +X east, -X west, +Y up, -Y down, +Z north, -Z south\n");
    file.Write(faces);
    file.Write("\n];\nwindow.vantorixReady = VantorixPreview.start(faces, document.getElementById('sky'),"
               " document.getElementById('heading'));\n</script>\n</body>\n</html>\n");
    file.Commit();
}

}  // namespace vantorix::cube
