#include "tools/tgsrender/TerragenScript.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <optional>
#include <vector>

namespace vantorix::tgs {

namespace {

struct Token {
    std::string text;
    bool quoted = false;
};

// The words of one line, up to its comment; a quoted text is one word.
std::vector<Token> SplitLine(std::string_view line, int lineNumber) {
    std::vector<Token> tokens;
    std::size_t at = 0;
    const auto separator = [](char c) { return c == ',' || std::isspace(static_cast<unsigned char>(c)); };
    while (at < line.size()) {
        const char c = line[at];
        if (c == ';') break;
        if (separator(c)) {
            ++at;
            continue;
        }
        if (c == '"') {
            const std::size_t close = line.find('"', at + 1);
            if (close == std::string_view::npos) throw ScriptError(lineNumber, "a quoted text has no closing quote");
            tokens.push_back({std::string(line.substr(at + 1, close - at - 1)), true});
            at = close + 1;
            continue;
        }
        const std::size_t start = at;
        while (at < line.size() && !separator(line[at]) && line[at] != ';' && line[at] != '"') ++at;
        tokens.push_back({std::string(line.substr(start, at - start)), false});
    }
    return tokens;
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

class Runner {
public:
    explicit Runner(const FrameRenderer& renderFrame) : renderFrame_(renderFrame) {}

    void Execute(const std::vector<Token>& tokens, int lineNumber) {
        line_ = lineNumber;
        command_ = tokens.front().text;
        arguments_.assign(tokens.begin() + 1, tokens.end());
        const std::string name = Lower(command_);
        if (name == "initanim") return InitAnim();
        if (name == "campos") return SetPosition();
        if (name == "tarpos") return LookAt();
        if (name == "zoom") return SetZoom();
        if (name == "camb") return void(camera_.Bank = Angle());
        if (name == "camp") return void(camera_.Pitch = Angle());
        if (name == "camh") return void(camera_.Heading = Angle());
        if (name == "frend") return RenderFrame();
        throw ScriptError(line_, "unknown command \"" + command_ + "\"");
    }

private:
    void Expect(std::size_t count) const {
        if (arguments_.size() != count) {
            throw ScriptError(line_, command_ + " takes " + std::to_string(count) + " argument" +
                                         (count == 1 ? "" : "s") + ", not " + std::to_string(arguments_.size()));
        }
    }

    double Number(std::size_t index) const {
        const Token& token = arguments_[index];
        double value = 0;
        const char* end = token.text.data() + token.text.size();
        const auto [stop, error] = std::from_chars(token.text.data(), end, value);
        if (token.quoted || error != std::errc() || stop != end || !std::isfinite(value)) {
            throw ScriptError(line_, command_ + " takes numbers, and \"" + token.text + "\" is not one");
        }
        return value;
    }

    double Angle() const {
        Expect(1);
        return Number(0);
    }

    void InitAnim() {
        Expect(2);
        if (!arguments_[0].quoted || arguments_[0].text.empty()) {
            throw ScriptError(line_, "InitAnim takes the frames' base name in quotes first");
        }
        const double first = Number(1);
        if (first < 0 || first > 999999 || first != std::floor(first)) {
            throw ScriptError(line_, "InitAnim's first frame must be a whole number from 0 to 999999");
        }
        base_ = arguments_[0].text;
        frame_ = static_cast<int>(first);
    }

    void SetPosition() {
        Expect(3);
        camera_.X = Number(0);
        camera_.Y = Number(1);
        camera_.Z = Number(2);
    }

    // Terragen turns the camera to face its target; the bank stays.
    void LookAt() {
        Expect(3);
        const double dx = Number(0) - camera_.X, dy = Number(1) - camera_.Y, dz = Number(2) - camera_.Z;
        if (dx == 0 && dy == 0 && dz == 0) return;
        constexpr double Degrees = 180 / std::numbers::pi;
        camera_.Heading = std::atan2(dx, dy) * Degrees;
        camera_.Pitch = std::atan2(dz, std::hypot(dx, dy)) * Degrees;
    }

    void SetZoom() {
        Expect(1);
        const double zoom = Number(0);
        if (zoom <= 0) throw ScriptError(line_, "Zoom must be above 0");
        camera_.Zoom = zoom;
    }

    void RenderFrame() {
        Expect(0);
        if (!frame_) throw ScriptError(line_, "FRend before InitAnim: the frames have no name yet");
        char number[16];
        std::snprintf(number, sizeof number, "%04d", *frame_);
        renderFrame_(base_ + number + ".bmp", camera_);
        ++*frame_;
    }

    const FrameRenderer& renderFrame_;
    Camera camera_;
    std::string base_;
    std::optional<int> frame_;
    int line_ = 0;
    std::string command_;
    std::vector<Token> arguments_;
};

}  // namespace

void RunTerragenScript(std::string_view script, const FrameRenderer& renderFrame) {
    Runner runner(renderFrame);
    int lineNumber = 0;
    while (!script.empty()) {
        const std::size_t end = script.find('\n');
        std::string_view line = script.substr(0, end);
        script.remove_prefix(end == std::string_view::npos ? script.size() : end + 1);
        ++lineNumber;
        const std::vector<Token> tokens = SplitLine(line, lineNumber);
        if (tokens.empty()) continue;
        if (tokens.front().quoted) throw ScriptError(lineNumber, "a line must begin with a command");
        runner.Execute(tokens, lineNumber);
    }
}

}  // namespace vantorix::tgs
