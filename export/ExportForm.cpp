#include "export/ExportForm.h"

#include "export/EnginePresets.h"
#include "platform/Browser.h"
#include "platform/MessageBox.h"

#include <algorithm>
#include <optional>
#include <stdexcept>

namespace vantorix::cube {

using design::Control;
using design::Indexed;
using design::Kind;

const std::vector<EngineChoice> EngineChoices = {
    {"None", ""},       {"Quake III", "quake3"}, {"Quake II", "quake2"}, {"Half-Life", "halflife"},
    {"Source", "source"}, {"Unity", "unity"},    {"Godot", "godot"},     {"three.js", "three"},
};

namespace {

constexpr const char* LayoutShapes[] = {"2x3", "3x2", "1x6", "6x1"};

// The row of the files frame that offers this option, or -1.
int RowOf(std::string_view option) {
    const std::vector<const ExportOption*> rows = FileRows();
    for (std::size_t row = 0; row < rows.size(); ++row) {
        if (option == rows[row]->Name) return static_cast<int>(row);
    }
    return -1;
}

std::string File(int row) { return Indexed("txtFile", row); }
std::string Tick(int row) { return Indexed("chkFile", row); }

}  // namespace

std::vector<const ExportOption*> FileRows() {
    std::vector<const ExportOption*> rows;
    for (const ExportOption& option : ExportOptionTable) {
        if (*option.Caption != '\0' && std::string_view(option.Name) != "--preview") rows.push_back(&option);
    }
    return rows;
}

design::Form ExportFormDesign(const std::string& prefix) {
    design::Form form{"frmExport", ExportCaption, 8400, 7050, false, {}};
    auto& c = form.Controls;
    int tab = 0;
    const auto add = [&](Control control) -> Control& {
        control.TabIndex = tab++;
        c.push_back(std::move(control));
        return c.back();
    };

    add({"fraFaces", Kind::Frame, "", "Faces", 60, 120, 8280, 975});
    add({"txtFaces", Kind::TextBox, "fraFaces", prefix, 180, 300, 7020, 285});
    add({"btnFacesBrowse", Kind::Button, "fraFaces", "Browse", 7305, 300, 855, 285});
    add({"lblFound", Kind::Label, "fraFaces", "", 180, 660, 7980, 195});

    add({"fraEngine", Kind::Frame, "", "Engine", 60, 1200, 8280, 1320});
    for (std::size_t i = 0; i < EngineChoices.size(); ++i) {
        add({Indexed("optEngine", static_cast<int>(i)), Kind::Option, "fraEngine", EngineChoices[i].Caption,
             180 + 1005 * static_cast<int>(i), 300, 975, 195})
            .Value = i == 0;
    }
    add({"lblEngineFiles", Kind::Label, "fraEngine", "Files:", 180, 660, 555, 195});
    add({"txtEngineFiles", Kind::TextBox, "fraEngine", "", 780, 600, 6420, 285});
    add({"btnEngineBrowse", Kind::Button, "fraEngine", "Browse", 7305, 600, 855, 285});
    add({"chkNorth", Kind::CheckBox, "fraEngine", "North along the engine's +Y (otherwise as the run has it)", 180, 990,
         7980, 195});

    add({"fraFiles", Kind::Frame, "", "Files", 60, 2625, 8280, 2805});
    const std::vector<const ExportOption*> rows = FileRows();
    for (std::size_t row = 0; row < rows.size(); ++row) {
        const int top = 300 + 300 * static_cast<int>(row);
        const std::string_view option = rows[row]->Name;
        add({Tick(static_cast<int>(row)), Kind::CheckBox, "fraFiles", rows[row]->Caption, 180, top + 45, 1575, 195})
            .Value = option == "--equirect";
        add({File(static_cast<int>(row)), Kind::TextBox, "fraFiles", prefix + rows[row]->BesideFaces, 1800, top, 3900,
             285});
        if (option == "--equirect") {
            add({"lblWidth", Kind::Label, "fraFiles", "Width:", 5820, top + 45, 600, 195});
            add({"txtWidth", Kind::TextBox, "fraFiles", "", 6420, top, 855, 285});
        } else if (option == "--dds") {
            add({"chkDdsSrgb", Kind::CheckBox, "fraFiles", "sRGB", 5820, top + 45, 900, 195});
        } else if (option == "--ktx2") {
            add({"chkMipMaps", Kind::CheckBox, "fraFiles", "Mip-maps, DDS and KTX 2", 5820, top + 45, 2340, 195});
        } else if (option == "--layout") {
            for (int shape = 0; shape < 4; ++shape) {
                add({Indexed("optLayout", shape), Kind::Option, "fraFiles", LayoutShapes[shape], 5820 + 585 * shape,
                     top + 45, 570, 195})
                    .Value = shape == 0;
            }
        }
    }

    add({"fraTurn", Kind::Frame, "", "Turn and size", 60, 5535, 4080, 975});
    add({"lblYaw", Kind::Label, "fraTurn", "Yaw:", 180, 345, 900, 195});
    add({"txtYaw", Kind::TextBox, "fraTurn", "0", 1140, 300, 735, 285});
    add({"lblDegrees", Kind::Label, "fraTurn", "degrees", 1935, 345, 1000, 195});
    add({"lblSize", Kind::Label, "fraTurn", "Face size:", 180, 645, 900, 195});
    add({"txtSize", Kind::TextBox, "fraTurn", "", 1140, 600, 735, 285});
    add({"lblTexels", Kind::Label, "fraTurn", "texels, the cube files", 1935, 645, 2025, 195});

    add({"fraLook", Kind::Frame, "", "Look around", 4260, 5535, 4080, 975});
    add({"chkPreview", Kind::CheckBox, "fraLook", "Look-around page, opened when done", 180, 300, 3720, 195}).Value =
        true;
    add({"txtPreview", Kind::TextBox, "fraLook", prefix + FindExportOption("--preview")->BesideFaces, 180, 600, 3720,
         285});

    Control progress{"prgExport", Kind::ProgressBar, "", "", 60, 6630, 5895, 315};
    progress.Maximum = 1000;
    add(progress);
    add({"btnExport", Kind::Button, "", "Export", 6120, 6630, 1035, 315});
    add({"btnClose", Kind::Button, "", "Close", 7305, 6630, 1035, 315});
    return form;
}

ExportForm::ExportForm(ExportControls& controls, std::string folder)
    : controls_(controls), folder_(std::move(folder)), prefix_(controls.Text("txtFaces")) {
    PrefixChanged();
}

std::string ExportForm::DefaultName(const ExportOption& option, const std::string& prefix) const {
    return prefix + option.BesideFaces;
}

std::string ExportForm::DefaultEngineFiles(int engine, const std::string& prefix) const {
    return engine == 0 ? "" : prefix + "_" + EngineChoices[static_cast<std::size_t>(engine)].Preset;
}

int ExportForm::Engine() const {
    for (std::size_t i = 0; i < EngineChoices.size(); ++i) {
        if (controls_.Checked(Indexed("optEngine", static_cast<int>(i)))) return static_cast<int>(i);
    }
    return 0;
}

void ExportForm::PrefixChanged() {
    const std::string prefix = controls_.Text("txtFaces");
    const std::vector<const ExportOption*> rows = FileRows();
    // A name the user has not touched follows the prefix; one typed stays.
    const auto follow = [&](const std::string& control, const std::string& before, const std::string& after) {
        if (controls_.Text(control) == before) controls_.SetText(control, after);
    };
    for (std::size_t row = 0; row < rows.size(); ++row) {
        follow(File(static_cast<int>(row)), DefaultName(*rows[row], prefix_), DefaultName(*rows[row], prefix));
    }
    follow("txtPreview", DefaultName(*FindExportOption("--preview"), prefix_),
           DefaultName(*FindExportOption("--preview"), prefix));
    follow("txtEngineFiles", DefaultEngineFiles(engine_, prefix_), DefaultEngineFiles(engine_, prefix));

    const FoundFaces before = found_;
    found_ = DescribeFaceSet(prefix, folder_);
    controls_.SetText("lblFound", found_.Line);
    // The sizes shown are the run's own until the user gives others.
    const auto size = [](const FoundFaces& found, int times) {
        return found.Usable ? std::to_string(found.Size * times) : std::string();
    };
    follow("txtSize", size(before, 1), size(found_, 1));
    follow("txtWidth", size(before, 4), size(found_, 4));
    prefix_ = prefix;
    ChoiceChanged();
}

void ExportForm::ChoiceChanged() {
    const int engine = Engine();
    if (engine != engine_) {
        if (controls_.Text("txtEngineFiles") == DefaultEngineFiles(engine_, prefix_)) {
            controls_.SetText("txtEngineFiles", DefaultEngineFiles(engine, prefix_));
        }
        engine_ = engine;
    }
    SetWorking(false);
}

void ExportForm::FacePicked(const std::string& path) {
    std::string prefix = PrefixOfFaceFile(path).value_or(path);
    if (prefix == path && path.rfind('.') != std::string::npos) prefix = path.substr(0, path.rfind('.'));
    controls_.SetText("txtFaces", prefix);
    PrefixChanged();
}

void ExportForm::SetWorking(bool working) {
    const bool idle = !working;
    const int engine = Engine();
    const Preset* preset = engine == 0 ? nullptr : FindPreset(EngineChoices[static_cast<std::size_t>(engine)].Preset);
    for (const char* control : {"txtFaces", "btnFacesBrowse", "txtYaw", "txtSize", "chkPreview"}) {
        controls_.SetEnabled(control, idle);
    }
    for (std::size_t i = 0; i < EngineChoices.size(); ++i) controls_.SetEnabled(Indexed("optEngine", static_cast<int>(i)), idle);
    for (const char* control : {"lblEngineFiles", "txtEngineFiles", "btnEngineBrowse"}) {
        controls_.SetEnabled(control, idle && engine != 0);
    }
    controls_.SetEnabled("chkNorth", idle && preset != nullptr && preset->QuakeFamily);
    const std::vector<const ExportOption*> rows = FileRows();
    for (std::size_t row = 0; row < rows.size(); ++row) {
        const int r = static_cast<int>(row);
        const bool ticked = controls_.Checked(Tick(r));
        controls_.SetEnabled(Tick(r), idle);
        controls_.SetEnabled(File(r), idle && ticked);
        const std::string_view option = rows[row]->Name;
        if (option == "--equirect") {
            controls_.SetEnabled("lblWidth", idle && ticked);
            controls_.SetEnabled("txtWidth", idle && ticked);
        } else if (option == "--dds") {
            controls_.SetEnabled("chkDdsSrgb", idle && ticked);
        } else if (option == "--layout") {
            for (int shape = 0; shape < 4; ++shape) controls_.SetEnabled(Indexed("optLayout", shape), idle && ticked);
        }
    }
    controls_.SetEnabled("chkMipMaps", idle && (controls_.Checked(Tick(RowOf("--dds"))) ||
                                                controls_.Checked(Tick(RowOf("--ktx2")))));
    controls_.SetEnabled("txtPreview", idle && controls_.Checked("chkPreview"));
    controls_.SetEnabled("btnExport", idle && found_.Usable);
    controls_.SetText("btnClose", working ? "Cancel" : "Close");
}

std::vector<std::string> ExportForm::Arguments() const {
    const std::string prefix = controls_.Text("txtFaces");
    std::vector<std::string> arguments{prefix};
    const auto ticked = [&](std::string_view option) { return controls_.Checked(Tick(RowOf(option))); };
    bool any = false;
    const std::vector<const ExportOption*> rows = FileRows();
    for (std::size_t row = 0; row < rows.size(); ++row) {
        const int r = static_cast<int>(row);
        if (!controls_.Checked(Tick(r))) continue;
        any = true;
        arguments.emplace_back(rows[row]->Name);
        if (std::string_view(rows[row]->Name) == "--layout") {
            for (int shape = 0; shape < 4; ++shape) {
                if (controls_.Checked(Indexed("optLayout", shape))) arguments.emplace_back(LayoutShapes[shape]);
            }
        }
        arguments.push_back(controls_.Text(File(r)));
    }
    // Numbers as the run has them are left to the command's own defaults.
    const auto own = [&](int times) { return found_.Usable ? std::to_string(found_.Size * times) : std::string(); };
    if (ticked("--equirect") && !controls_.Text("txtWidth").empty() && controls_.Text("txtWidth") != own(4)) {
        arguments.insert(arguments.end(), {"--width", controls_.Text("txtWidth")});
    }
    if (ticked("--dds") && controls_.Checked("chkDdsSrgb")) arguments.emplace_back("--dds-srgb");
    if ((ticked("--dds") || ticked("--ktx2")) && controls_.Checked("chkMipMaps")) arguments.emplace_back("--mipmaps");
    if (const int engine = Engine(); engine != 0) {
        any = true;
        const Preset& preset = *FindPreset(EngineChoices[static_cast<std::size_t>(engine)].Preset);
        arguments.insert(arguments.end(), {"--preset", preset.Name, controls_.Text("txtEngineFiles")});
        if (preset.QuakeFamily && controls_.Checked("chkNorth")) arguments.insert(arguments.end(), {"--north", "engine"});
    }
    if (controls_.Checked("chkPreview")) {
        any = true;
        arguments.insert(arguments.end(), {"--preview", controls_.Text("txtPreview")});
    }
    if (!any) throw std::invalid_argument("Nothing to write: tick a file, choose an engine or tick the look-around page.");
    const std::string yaw = controls_.Text("txtYaw");
    if (!yaw.empty() && yaw != "0") arguments.insert(arguments.end(), {"--yaw", yaw});
    const std::string size = controls_.Text("txtSize");
    const bool cubeOutput = std::any_of(rows.begin(), rows.end(), [&](const ExportOption* row) {
        return std::string_view(row->Name) != "--equirect" && controls_.Checked(Tick(RowOf(row->Name)));
    }) || Engine() != 0 || controls_.Checked("chkPreview");
    if (!size.empty() && size != own(1) && cubeOutput) arguments.insert(arguments.end(), {"--size", size});
    return arguments;
}

ExportOptions ExportForm::Options() const {
    std::optional<ExportOptions> options = ParseExportArguments(Arguments());
    if (!options) throw std::invalid_argument("\"" + controls_.Text("txtFaces") + "\" is no prefix: name the faces.");
    return *options;
}

void ExportForm::Start() {
    if (Working()) return;
    const ExportOptions options = Options();
    preview_ = options.Preview;
    worker_ = std::make_unique<ExportWorker>(options);
    SetWorking(true);
}

void ExportForm::Cancel() noexcept {
    if (worker_ != nullptr) worker_->Cancel();
}

bool ExportForm::Ended(bool tell) {
    if (worker_ == nullptr) return true;
    const ExportWorker::Outcome outcome = worker_->Result();
    if (outcome == ExportWorker::Outcome::Working) return false;
    const std::string message = worker_->Message();
    worker_.reset();
    SetWorking(false);
    if (!tell) return true;
    if (outcome == ExportWorker::Outcome::Failed) {
        MessageBox(message, ExportCaption, MB_OK | MB_ICONERROR);
    } else if (outcome == ExportWorker::Outcome::Written) {
        if (!preview_.empty()) AtUserAction(ExportCaption, [&] { OpenInBrowser(preview_); });
        MessageBox(message, ExportCaption, MB_OK | MB_ICONINFORMATION);
    }
    return true;
}

}  // namespace vantorix::cube
