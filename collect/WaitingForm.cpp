#include "collect/WaitingForm.h"

#include "collect/FinishImages.h"
#include "collect/RenderWatch.h"
#include "platform/MessageBox.h"

namespace vantorix {

design::Form WaitingFormDesign() {
    using design::Kind;
    design::Form form{"frmWaiting", "Waiting...", 5310, 1995, true, {}};
    auto& c = form.Controls;
    c.push_back({"lblInfo", Kind::Label, "", "Waiting for Images to be Rendered in Terragen.", 120, 120, 3435, 195});
    design::Control more{"lblMoreInfo", Kind::Label, "",
                         "In Terragen, select from the menu \"Terragen\" then \"Execute Script...\"  Select the "
                         "\"Vantorix.tgs\" file to start the rendering.",
                         120, 480, 5055, 435};
    more.Wraps = true;
    c.push_back(more);
    design::Control warning{"Label1", Kind::Label, "",
                            "Make sure there are no images already in the \"Vantorix\" sub-folder of Terragen.", 120,
                            1020, 5055, 435};
    warning.Wraps = true;
    c.push_back(warning);
    c.push_back({"btnCancel", Kind::Button, "", "Cancel", 4140, 1620, 1035, 315, 0});
    return form;
}

WaitingTick LookForRenders(const std::function<SkyboxJob()>& readJob, const std::string& programFolder) {
    FinishReport report;
    try {
        const SkyboxJob job = readJob();
        if (!AllRendersPresent(job, programFolder)) return WaitingTick::KeepWaiting;
        report = FinishImages(job, programFolder);
    } catch (const std::exception& error) {
        MessageBox(error.what(), "Skybox Images Not Finished", MB_OK | MB_ICONERROR);
        return WaitingTick::Stopped;
    }
    MessageBox(CompletionMessage(report), "Done!",
               MB_OK | (report.Unfinished.empty() ? MB_ICONINFORMATION : MB_ICONEXCLAMATION));
    return WaitingTick::Finished;
}

}  // namespace vantorix
