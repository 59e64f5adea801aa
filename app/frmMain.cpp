#include "app/frmMain.h"

#include "app/frmAbout.h"
#include "app/mFileDialog.h"
#include "collect/frmWaiting.h"
#include "job/mMain.h"
#include "platform/FormLayout.h"
#include "platform/MessageBox.h"
#include "platform/OptionGroup.h"
#include "platform/WindowHandles.h"
#include "platform/WindowPlacement.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>

#include <algorithm>
#include <utility>
#include <vector>

namespace vantorix {

namespace {

// Places a control at its twips position inside its parent and names it.
template <typename Control>
Control* Place(Control* control, const QString& name, QRect geometry) {
    control->setObjectName(name);
    control->setGeometry(geometry);
    return control;
}

QString Indexed(const char* name, int index) { return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(index); }

QGroupBox* MakeFrame(QWidget* parent, const char* name, const char* caption, QRect geometry) {
    return Place(new QGroupBox(QString::fromUtf8(caption), parent), QString::fromUtf8(name), geometry);
}

QLabel* MakeLabel(QWidget* parent, const QString& name, const char* caption, QRect geometry,
                  Qt::Alignment alignment = Qt::AlignLeft) {
    auto* label = Place(new QLabel(QString::fromUtf8(caption), parent), name, geometry);
    label->setAlignment(alignment | Qt::AlignTop);
    return label;
}

QLineEdit* MakeTextBox(QWidget* parent, const char* name, const std::string& text, QRect geometry) {
    return Place(new QLineEdit(QString::fromStdString(text), parent), QString::fromUtf8(name), geometry);
}

QPushButton* MakeButton(QWidget* parent, const char* name, const char* caption, QRect geometry) {
    auto* button = Place(new QPushButton(QString::fromUtf8(caption), parent), QString::fromUtf8(name), geometry);
    button->setAutoDefault(false);  // Enter presses no button
    return button;
}

template <std::size_t Count>
void MakeOptions(std::array<QRadioButton*, Count>& options, QWidget* frame, const char* name,
                 const std::array<const char*, Count>& captions, const std::array<QRect, Count>& geometry,
                 int selected) {
    for (std::size_t i = 0; i < Count; ++i) {
        options[i] = Place(new QRadioButton(QString::fromUtf8(captions[i]), frame), Indexed(name, static_cast<int>(i)),
                           geometry[i]);
    }
    options[static_cast<std::size_t>(selected)]->setChecked(true);
    new OptionGroup({options.begin(), options.end()});
}

template <std::size_t Count>
int SelectedIndex(const std::array<QRadioButton*, Count>& options) {
    for (std::size_t i = 0; i < Count; ++i) {
        if (options[i]->isChecked()) return static_cast<int>(i);
    }
    return 0;  // one is always selected; the first stands in if not
}

QIcon ProgramIcon() {
    QIcon icon;
    icon.addFile(QStringLiteral(":/vantorix/icon-16.png"), QSize(16, 16));
    icon.addFile(QStringLiteral(":/vantorix/icon-32.png"), QSize(32, 32));
    return icon;
}

// Every failure at a user's action ends that action with a message; the
// program goes on.
template <typename Action>
void AtUserAction(const char* caption, Action&& action) {
    try {
        action();
    } catch (const std::exception& error) {
        MessageBox(error.what(), caption, MB_OK | MB_ICONERROR);
    }
}

}  // namespace

frmMain::frmMain(std::string programFolder)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      programFolder_(std::move(programFolder)) {
    const SkyboxJob defaults = DefaultSkyboxJob(programFolder_);
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Vantorix"));
    setWindowIcon(ProgramIcon());
    setFont(FormFont());
    setFixedSize(TwipsSize(8295, 5295));

    Frame2 = MakeFrame(this, "Frame2", "Output", TwipsRect(60, 120, 8175, 735));
    txtOutput = MakeTextBox(Frame2, "txtOutput", defaults.Output, TwipsRect(180, 300, 6915, 285));
    btnBrowse = MakeButton(Frame2, "btnBrowse", "Browse", TwipsRect(7140, 300, 855, 285));

    Frame1 = MakeFrame(this, "Frame1", "Skybox Settings", TwipsRect(60, 960, 2655, 1875));
    Label1 = MakeLabel(Frame1, QStringLiteral("Label1"), "Camera Height:", TwipsRect(180, 360, 1155, 195));
    txtHeight = MakeTextBox(Frame1, "txtHeight", defaults.CameraHeight, TwipsRect(1320, 300, 555, 285));
    Label2 = MakeLabel(Frame1, QStringLiteral("Label2"), "meters", TwipsRect(1920, 360, 495, 195));
    Label3 = MakeLabel(Frame1, QStringLiteral("Label3"), "Images to Render:", TwipsRect(180, 780, 1335, 195));
    const std::array<QRect, SkyboxFaceCount> renderGeometry = {
        TwipsRect(180, 1080, 735, 195),  TwipsRect(180, 1380, 735, 195),  TwipsRect(1020, 1080, 735, 195),
        TwipsRect(1020, 1380, 735, 195), TwipsRect(1800, 1080, 735, 195), TwipsRect(1800, 1380, 735, 195)};
    for (int face = 0; face < SkyboxFaceCount; ++face) {
        const std::string_view caption = SkyboxFaces[face].Caption;
        chkRender[face] = Place(new QCheckBox(QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())), Frame1),
                                Indexed("chkRender", face), renderGeometry[face]);
        chkRender[face]->setChecked(defaults.Render[face]);
    }

    Frame5 = MakeFrame(this, "Frame5", "Terragen Landscape", TwipsRect(2820, 960, 5415, 1875));
    Label4 = MakeLabel(Frame5, QStringLiteral("Label4"), "Terrain Grid Points:", TwipsRect(180, 300, 1395, 195));
    MakeOptions<6>(optTGSize, Frame5, "optTGSize", {"129", "257", "513", "1025", "2049", "4097"},
                   {TwipsRect(420, 540, 675, 315), TwipsRect(1140, 540, 675, 315), TwipsRect(1860, 540, 675, 315),
                    TwipsRect(2580, 540, 675, 315), TwipsRect(3300, 540, 675, 315), TwipsRect(4020, 540, 675, 315)},
                   defaults.TGSize);
    Label5 = MakeLabel(Frame5, QStringLiteral("Label5"), "Landscape Area:", TwipsRect(180, 1140, 1875, 195));
    txtTGArea = MakeTextBox(Frame5, "txtTGArea", defaults.TGArea, TwipsRect(360, 1380, 1035, 285));
    Label6 = MakeLabel(Frame5, QStringLiteral("Label6"), "meters", TwipsRect(1440, 1440, 1035, 195));

    Frame4 = MakeFrame(this, "Frame4", "Name Scheme", TwipsRect(60, 2940, 2655, 1875));
    MakeOptions<3>(optNameScheme, Frame4, "optNameScheme", {"As-Is - Numerical", "Compass", "Direction"},
                   {TwipsRect(180, 300, 1755, 195), TwipsRect(180, 600, 1755, 195), TwipsRect(180, 900, 1755, 195)},
                   defaults.NameScheme);
    chkNameAbreviate = Place(new QCheckBox(QStringLiteral("Abreviate Names"), Frame4), QStringLiteral("chkNameAbreviate"),
                             TwipsRect(180, 1380, 1815, 195));
    chkNameAbreviate->setChecked(defaults.NameAbreviate);

    Frame3 = MakeFrame(this, "Frame3", "Convert Images", TwipsRect(2820, 2940, 5415, 1875));
    MakeOptions<3>(optConvert, Frame3, "optConvert", {"None - Keep BMP Format", "TGA Format", "JPG Format"},
                   {TwipsRect(180, 300, 2415, 195), TwipsRect(180, 600, 2415, 195), TwipsRect(180, 900, 2415, 195)},
                   defaults.Convert);
    hsJPGQuality = Place(new QScrollBar(Qt::Horizontal, Frame3), QStringLiteral("hsJPGQuality"),
                         TwipsRect(540, 1200, 3855, 255));
    hsJPGQuality->setRange(0, 100);
    hsJPGQuality->setSingleStep(1);
    hsJPGQuality->setPageStep(10);
    hsJPGQuality->setValue(defaults.JPGQuality);
    hsJPGQuality->setTracking(false);  // the value changes on release; the label follows the drag
    hsJPGQuality->setFocusPolicy(Qt::StrongFocus);
    lblJpegCompression = MakeLabel(Frame3, QStringLiteral("lblJpegCompression"), "", TwipsRect(4440, 1200, 495, 255),
                                   Qt::AlignHCenter);
    lblJpegCompression->setFrameStyle(QFrame::Box | QFrame::Plain);
    lblJpegCompression->setAlignment(Qt::AlignCenter);
    lblJPGQuality[0] = MakeLabel(Frame3, Indexed("lblJPGQuality", 0), "^ Compression", TwipsRect(780, 1500, 1035, 195));
    lblJPGQuality[1] = MakeLabel(Frame3, Indexed("lblJPGQuality", 1), "Quality ^", TwipsRect(2340, 1500, 1815, 195),
                                 Qt::AlignRight);

    btnAbout = MakeButton(this, "btnAbout", "About", TwipsRect(60, 4920, 1035, 315));
    btnStart = MakeButton(this, "btnStart", "Start", TwipsRect(5880, 4920, 1035, 315));
    btnExit = MakeButton(this, "btnExit", "Exit", TwipsRect(7020, 4920, 1035, 315));

    // Tab order by the designed tab indexes; labels and frames take no focus,
    // and each option group is one stop, at its chosen option.
    std::vector<std::pair<int, QWidget*>> tabs = {
        {2, txtHeight}, {12, txtOutput}, {13, btnBrowse}, {18, hsJPGQuality}, {25, chkNameAbreviate},
        {26, btnStart}, {27, btnExit},   {37, txtTGArea}, {39, btnAbout}};
    for (int i = 0; i < SkyboxFaceCount; ++i) tabs.emplace_back(5 + i, chkRender[i]);
    for (int i = 0; i < 3; ++i) tabs.emplace_back(15 + i, optConvert[i]);
    for (int i = 0; i < 3; ++i) tabs.emplace_back(22 + i, optNameScheme[i]);
    for (int i = 0; i < 6; ++i) tabs.emplace_back(29 + i, optTGSize[i]);
    std::sort(tabs.begin(), tabs.end());
    for (std::size_t i = 1; i < tabs.size(); ++i) setTabOrder(tabs[i - 1].second, tabs[i].second);

    connect(btnStart, &QPushButton::clicked, this, &frmMain::btnStart_Click);
    connect(btnBrowse, &QPushButton::clicked, this, &frmMain::btnBrowse_Click);
    connect(hsJPGQuality, &QScrollBar::valueChanged, this, &frmMain::hsJPGQuality_Change);
    connect(hsJPGQuality, &QScrollBar::sliderMoved, this, &frmMain::hsJPGQuality_Scroll);
    connect(btnAbout, &QPushButton::clicked, this, &frmMain::btnAbout_Click);
    connect(btnExit, &QPushButton::clicked, this, &frmMain::btnExit_Click);
    hsJPGQuality_Change();

    ApplyFormStyle(this);
    txtHeight->setFocus();
    CentreFrameWhenShown(this, [this] { return screen()->availableGeometry(); });
}

SkyboxJob frmMain::Job() const {
    SkyboxJob job;
    job.CameraHeight = txtHeight->text().toStdString();
    job.TGArea = txtTGArea->text().toStdString();
    job.TGSize = SelectedIndex(optTGSize);
    for (int face = 0; face < SkyboxFaceCount; ++face) job.Render[face] = chkRender[face]->isChecked();
    job.Output = txtOutput->text().toStdString();
    job.Convert = SelectedIndex(optConvert);
    job.JPGQuality = hsJPGQuality->value();
    job.NameScheme = SelectedIndex(optNameScheme);
    job.NameAbreviate = chkNameAbreviate->isChecked();
    return job;
}

void frmMain::btnStart_Click() {
    bool written = false;
    AtUserAction("Skybox Script Not Written", [&] {
        WriteSkyboxScript(Job(), programFolder_);
        written = true;
    });
    if (!written) return;
    frmWaiting waiting(this, programFolder_, [this] { return Job(); });
    waiting.exec();
}

void frmMain::btnBrowse_Click() {
    AtUserAction("Vantorix", [&] {
        std::string fileName, fileTitle, initDir, defExt;
        std::string filter = "Filename Prefix";
        std::string title = "Filename Prefix...";
        bool overwritePrompt = true;
        std::int32_t filterIndex = 1;
        std::int32_t owner = static_cast<std::int32_t>(HandleOfWindow(this));
        std::int32_t flags = 0;
        if (ShowSaveDialog(fileName, fileTitle, overwritePrompt, filter, filterIndex, initDir, title, defExt, owner,
                           flags)) {
            txtOutput->setText(QString::fromStdString(fileName));
        }
    });
}

// The number follows the thumb: while it is dragged the bar's value stays
// where it was until the thumb is let go.
void frmMain::hsJPGQuality_Change() {
    lblJpegCompression->setText(QString::number(hsJPGQuality->sliderPosition()));
}

void frmMain::hsJPGQuality_Scroll() {
    hsJPGQuality_Change();
}

void frmMain::btnAbout_Click() {
    AtUserAction("Vantorix", [&] {
        frmAbout about(this);
        about.exec();
    });
}

void frmMain::btnExit_Click() {
    close();
}

}  // namespace vantorix
