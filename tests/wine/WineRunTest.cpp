// A whole run with the Windows build of the stand-in renderer under Wine, as
// Terragen runs on Linux: the script is read by a Windows program, in the
// code page of the user's language.
#include "app/frmMain.h"
#include "collect/frmWaiting.h"
#include "imaging/mPictureLoader.h"
#include "job/mMain.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QProcess>
#include <QRadioButton>
#include <QPushButton>
#include <QTimer>

#include <cstdlib>
#include <filesystem>

#include "tests/app/ModalDriver.h"
#include "tests/collect/CollectTestSupport.h"

namespace vantorix {
namespace {

using testing::FolderListing;
using testing::MessageCatcher;
using testing::TempFolder;
using testing::WhenModalOpens;
namespace fs = std::filesystem;

// Starts the Windows renderer as Terragen is started: from its own folder on
// drive C: of the tests' Wine prefix. True when it rendered every frame.
bool RenderUnderWine(const std::string& script) {
    const fs::path prefix = VANTORIX_WINE_PREFIX;
    const fs::path folder = prefix / "drive_c" / "tgsrender";
    fs::create_directories(folder);
    fs::copy_file(VANTORIX_TGSRENDER_EXE, folder / "tgsrender.exe", fs::copy_options::overwrite_existing);
    QProcess wine;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("WINEPREFIX", QString::fromStdString(prefix.string()));
    environment.insert("WINEDEBUG", "-all");
    environment.insert("WINEDLLOVERRIDES", "mscoree,mshtml=");
    wine.setProcessEnvironment(environment);
    wine.setWorkingDirectory(QString::fromStdString(folder.string()));
    wine.setProcessChannelMode(QProcess::ForwardedChannels);
    // Wine takes a Linux path such as the script's InitAnim folder as it is.
    wine.start("wine", {"C:\\tgsrender\\tgsrender.exe", "--size", "64", QString::fromStdString(script)});
    return wine.waitForFinished(60000) && wine.exitStatus() == QProcess::NormalExit && wine.exitCode() == 0;
}

// The bottom-up rows of a picture file, without padding.
std::vector<std::uint8_t> PixelsOf(const std::string& path) {
    if (LoadPictureFile(path) != PictureStatus::Loaded) throw std::runtime_error("cannot load " + path);
    PixelBlock block;
    CopyPicturePixels(block);
    std::vector<std::uint8_t> pixels;
    for (int y = 0; y < block.Rows(); ++y) pixels.insert(pixels.end(), block.Row(y), block.Row(y) + block.Columns());
    return pixels;
}

TEST(Wine, AWholeRunInAFolderWithAccentsFinishesEveryFaceAsTheLinuxRendererWould) {
    ::setenv("LC_ALL", "C.UTF-8", 1);  // Windows-1252, in Wine as in the script
    TempFolder temp;
    const std::string program = temp / "Sky \xC3\xA9 \xC3\xBC";  // "Sky é ü"
    fs::create_directories(program);
    MessageCatcher messages;
    frmMain window(program);
    window.show();
    window.optConvert[1]->setChecked(true);  // TGA
    bool rendered = false;
    WhenModalOpens<frmWaiting>([&](frmWaiting* waiting) {
        rendered = RenderUnderWine(ScriptPath(program));
        QTimer::singleShot(20000, waiting, &QDialog::reject);  // a hung wait fails instead of blocking
    });
    window.btnStart->click();
    ASSERT_TRUE(rendered);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Skybox Images are Done!");
    const std::string renders = RenderFolder(program);
    ASSERT_EQ(FolderListing(renders),
              "NewSky_Down.tga\nNewSky_East.tga\nNewSky_North.tga\nNewSky_South.tga\nNewSky_Up.tga\nNewSky_West.tga\n"
              "Vantorix.tgs\n");

    // The same script through the Linux renderer: the same pictures, give or
    // take a level where the two C runtimes round differently.
    ASSERT_EQ(QProcess::execute(VANTORIX_TGSRENDER, {"--size", "64", QString::fromStdString(ScriptPath(program))}), 0);
    int frame = 1;
    for (const char* face : {"North", "South", "East", "West", "Up", "Down"}) {
        const auto wine = PixelsOf(renders + "NewSky_" + face + ".tga");
        const auto linux = PixelsOf(RenderFrameName(program, frame++));
        ASSERT_EQ(wine.size(), linux.size()) << face;
        int worst = 0;
        for (std::size_t i = 0; i < wine.size(); ++i) worst = std::max(worst, std::abs(wine[i] - linux[i]));
        EXPECT_LE(worst, 1) << face;
    }
}

}  // namespace
}  // namespace vantorix
