#pragma once

#include "export/ExportCommand.h"
#include "export/ExportWorker.h"
#include "export/FaceSet.h"
#include "platform/FormDesign.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The export window, "Vantorix Export": its one description, from which the
// Qt and the Windows windows are built, and what it does with its controls,
// for both. Its choices become the command line's arguments and go through
// the command's own parser, so the window writes exactly what the command
// would.
namespace vantorix::cube {

// The controls of a window made from the description, by name.
class ExportControls {
public:
    virtual ~ExportControls() = default;
    virtual std::string Text(std::string_view control) const = 0;
    virtual void SetText(std::string_view control, const std::string& text) = 0;
    virtual bool Checked(std::string_view control) const = 0;
    virtual void SetChecked(std::string_view control, bool checked) = 0;
    virtual void SetEnabled(std::string_view control, bool enabled) = 0;
};

// The engines offered, in the order of their option buttons: the caption and the preset ("" for None).
struct EngineChoice {
    const char* Caption;
    const char* Preset;
};
extern const std::vector<EngineChoice> EngineChoices;

// The command's options offered as files, in the order of their rows: the
// table's entries with a caption, but for the look-around page, which has a
// frame of its own.
std::vector<const ExportOption*> FileRows();

// The window's caption, and its message boxes'.
inline constexpr const char* ExportCaption = "Vantorix Export";

// The window as designed, its faces' prefix `prefix`.
design::Form ExportFormDesign(const std::string& prefix);

// The window's behaviour: the found-faces line and the names that follow
// the prefix, what is enabled, and the arguments its choices make.
class ExportForm {
public:
    // `folder`: where a relative prefix lies (the current folder).
    ExportForm(ExportControls& controls, std::string folder);

    // The prefix changed: the line says what it leads to, and every name
    // still as it was made for the old prefix follows the new one.
    void PrefixChanged();
    // An engine, a tick or a name changed: what can be used now is enabled.
    void ChoiceChanged();
    // A face file picked with Browse: the prefix its name carries, when it is named as a face.
    void FacePicked(const std::string& path);
    // While an export runs, only Cancel (the Close button) takes input.
    void SetWorking(bool working);

    // Export: the choices' options, checked as the command checks them
    // (throws std::invalid_argument saying what to change), then the work on
    // a thread of its own; the window polls Ended with a timer.
    void Start();
    bool Working() const noexcept { return worker_ != nullptr; }
    double Done() const noexcept { return worker_ != nullptr ? worker_->Done() : 0; }
    // Stops the work at its next step, with every old file as it was.
    void Cancel() noexcept;
    // Whether the work has ended (or none runs); once it has, the controls
    // take input again and, when `tell`, the user is told: the page opened
    // and one message listing the files written, or why nothing was.
    bool Ended(bool tell);

    // The command line the choices make; throws std::invalid_argument saying
    // what to change when they make none the command takes.
    std::vector<std::string> Arguments() const;
    // The options those arguments give.
    ExportOptions Options() const;

    const FoundFaces& Found() const noexcept { return found_; }

private:
    std::string DefaultName(const ExportOption& option, const std::string& prefix) const;
    std::string DefaultEngineFiles(int engine, const std::string& prefix) const;
    int Engine() const;

    ExportControls& controls_;
    std::string folder_;
    std::string prefix_;  // the prefix the names were last made for
    int engine_ = 0;      // the engine the destination was last made for
    FoundFaces found_{false, 0, ""};
    std::unique_ptr<ExportWorker> worker_;
    std::string preview_;  // the page to open when the work is done
};

}  // namespace vantorix::cube
