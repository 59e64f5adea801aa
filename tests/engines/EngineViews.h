#pragma once

// What the engines show of an exported sky, against what tgsrender shows
// from the run's camera: each screenshot compared with the renderer's view
// at the heading and pitch it was taken at, and with the views a mirrored or
// quarter-turned sky would give, which must be clearly worse.
#include "export/RgbImage.h"
#include "tests/export/ExportTestSupport.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QStandardPaths>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>
#include <vector>

namespace vantorix::testing {

struct View {
    double heading, pitch;  // degrees; heading clockwise from north
};

// Eight headings a little above the horizon, where the sun and the clouds
// tell them apart, and nearly straight up and down.
inline std::vector<View> EngineViews() {
    std::vector<View> views;
    for (int heading = 0; heading < 360; heading += 45) views.push_back({double(heading), 20});
    views.push_back({30, 85});
    views.push_back({30, -85});
    return views;
}

// Mean difference in levels between the two pictures' blocks of 4 x 4
// pixels that lie wholly in the sky `sky` marks (all when empty): blocks, so
// that two ways of filtering one texture are not counted as a difference.
inline double MeanDifference(const cube::RgbImage& a, const cube::RgbImage& b, const std::vector<bool>& sky) {
    constexpr int Block = 4;
    double sum = 0;
    std::size_t counted = 0;
    for (int by = 0; by + Block <= a.Height; by += Block) {
        for (int bx = 0; bx + Block <= a.Width; bx += Block) {
            double mean[3] = {0, 0, 0};
            bool whole = true;
            for (int y = by; y < by + Block && whole; ++y) {
                for (int x = bx; x < bx + Block; ++x) {
                    const std::size_t p = static_cast<std::size_t>(y) * a.Width + x;
                    if (!sky.empty() && !sky[p]) {
                        whole = false;
                        break;
                    }
                    for (int c = 0; c < 3; ++c) mean[c] += (double(a.Pixels[3 * p + c]) - b.Pixels[3 * p + c]) / (Block * Block);
                }
            }
            if (!whole) continue;
            for (const double m : mean) sum += std::fabs(m) / 3;
            ++counted;
        }
    }
    return counted == 0 ? 999 : sum / static_cast<double>(counted);
}

inline cube::RgbImage Mirrored(const cube::RgbImage& image) {
    cube::RgbImage flipped(image.Width, image.Height);
    for (int y = 0; y < image.Height; ++y) {
        for (int x = 0; x < image.Width; ++x) std::copy_n(image.At(image.Width - 1 - x, y), 3, flipped.At(x, y));
    }
    return flipped;
}

// tgsrender's view from the run's camera, `field` degrees across.
inline cube::RgbImage RendererView(const tgs::Camera& from, View view, double field, int width, int height) {
    tgs::Camera camera = from;
    camera.Heading = view.heading;
    camera.Pitch = view.pitch;
    camera.Bank = 0;
    camera.Zoom = 1.0 / std::tan(field / 2 * std::numbers::pi / 180);
    return FromFrame(tgs::RenderFrame(tgs::SkyScene{}, camera, width, height), width, height);
}

struct Agreement {
    double best, mirrored, turned;  // mean levels off: the view promised, a mirrored sky, a quarter-turned one
};

inline Agreement Compare(const cube::RgbImage& shot, const std::vector<bool>& sky, const tgs::Camera& run, View view,
                         double field) {
    const auto off = [&](View at, bool mirror) {
        const cube::RgbImage seen = RendererView(run, at, field, shot.Width, shot.Height);
        return MeanDifference(shot, mirror ? Mirrored(seen) : seen, sky);
    };
    return {off(view, false), off({-view.heading, view.pitch}, true),
            std::min(off({view.heading + 90, view.pitch}, false), off({view.heading - 90, view.pitch}, false))};
}

// Every view agrees within 2 levels (over blocks of 4 x 4 pixels; the
// ground straight down has the finest detail), and each alternative is off
// by at least 1.5 levels more; the
// figures go to the test's output for the record.
inline void ExpectAgreement(const std::string& what, const std::vector<cube::RgbImage>& shots,
                            const std::vector<std::vector<bool>>& skies, const tgs::Camera& run,
                            const std::vector<View>& views, double field) {
    ASSERT_EQ(shots.size(), views.size()) << what;
    for (std::size_t i = 0; i < views.size(); ++i) {
        const Agreement a = Compare(shots[i], skies.empty() ? std::vector<bool>{} : skies[i], run, views[i], field);
        std::printf("%s heading %g pitch %g: %.2f levels off; mirrored %.2f, quarter-turned %.2f\n", what.c_str(),
                    views[i].heading, views[i].pitch, a.best, a.mirrored, a.turned);
        EXPECT_LE(a.best, 2.0) << what << " at heading " << views[i].heading << ", pitch " << views[i].pitch;
        EXPECT_GE(a.mirrored, a.best + 1.5) << what << " mirrored at heading " << views[i].heading;
        EXPECT_GE(a.turned, a.best + 1.5) << what << " turned at heading " << views[i].heading;
    }
}

// Runs an engine; its output, and whether it ended well.
inline std::string RunEngine(const QString& program, const QStringList& arguments, bool& ok, int seconds = 120) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    ok = process.waitForFinished(seconds * 1000) && process.exitStatus() == QProcess::NormalExit &&
         process.exitCode() == 0;
    if (process.state() != QProcess::NotRunning) process.kill(), process.waitForFinished();
    return process.readAll().toStdString();
}

// Why an engine cannot be run here, or nothing.
inline std::string WhyNoEngine(const char* program) {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) return "no display (make test-engines runs these on Xvfb)";
    if (QStandardPaths::findExecutable(program, {"/usr/games", "/usr/lib/ioquake3", "/usr/bin"}).isEmpty()) {
        return std::string(program) + " is not installed (make test-engines installs it)";
    }
    return "";
}

}  // namespace vantorix::testing
