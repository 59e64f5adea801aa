#include "collect/FinishImages.h"

#include "collect/FaceFileNames.h"
#include "imaging/mIntelJPEGLibrary.h"
#include "imaging/mPictureLoader.h"
#include "imaging/mSaveTGA.h"
#include "job/mMain.h"
#include "platform/FileSystem.h"


namespace vantorix {

namespace {

std::string LoadFailure(std::int16_t status) {
    switch (status) {
        case PictureStatus::NotFound: return "the render was not found";
        case PictureStatus::NoBitmap: return "there was not enough memory for its picture";
        default: return "the render could not be loaded (status " + std::to_string(status) + ")";
    }
}

std::string FaceCaption(int face) {
    return std::string(SkyboxFaces[static_cast<std::size_t>(face)].Caption);
}

// The renders as they stand when finishing begins, so that no write of the
// run, however its output is spelled or linked, can land on one.
std::vector<GuardedFiles::File> RenderFiles(const SkyboxJob& job, const FaceFileNames& names) {
    std::vector<GuardedFiles::File> renders;
    for (int face = 0; face < SkyboxFaceCount; ++face) {
        if (!job.Render[face]) continue;
        if (const auto identity = IdentityOf(names.RenderName[face])) {
            renders.push_back({*identity, "the render of the " + FaceCaption(face) + " face"});
        }
    }
    return renders;
}

// An output that already is a render of the run (its own included: a
// render folder reached another way, a link) would destroy that render.
void RefuseOutputsThatAreRenders(const SkyboxJob& job, const FaceFileNames& names, const std::string& renderFolder) {
    for (int face = 0; face < SkyboxFaceCount; ++face) {
        if (!job.Render[face]) continue;
        const auto output = IdentityOf(names.FinalName[face]);
        if (!output) continue;
        for (int other = 0; other < SkyboxFaceCount; ++other) {
            const auto render = job.Render[other] ? IdentityOf(names.RenderName[other]) : std::nullopt;
            if (render && SameFile(*render, *output)) {
                throw FaceFinishError(face, "The " + FaceCaption(face) + " face cannot be finished as \"" +
                                                names.FinalName[face] + "\": that is the render of the " +
                                                FaceCaption(other) + " face (\"" + names.RenderName[other] +
                                                "\"). Choose another output prefix. No face was finished, and "
                                                "every render stays in \"" + renderFolder + "\".");
            }
        }
    }
}

// A render that is no file at all was never written by a renderer; reading
// a named pipe would wait for ever.
void RefuseRendersThatAreNoFiles(const SkyboxJob& job, const FaceFileNames& names, const std::string& renderFolder) {
    for (int face = 0; face < SkyboxFaceCount; ++face) {
        if (!job.Render[face]) continue;
        const std::string what = WhatIsNoFile(names.RenderName[face]);
        if (what.empty()) continue;
        throw FaceFinishError(face, "The " + FaceCaption(face) + " face cannot be finished: its render \"" +
                                        names.RenderName[face] + "\" is " + what + ", not a picture file. "
                                        "No face was finished; remove it from \"" + renderFolder +
                                        "\" and render the face again.");
    }
}

}  // namespace

FinishReport FinishImages(const SkyboxJob& job, const std::string& programFolder) {
    const FaceFileNames names = ComposeFaceFileNames(job, programFolder);
    RefuseRendersThatAreNoFiles(job, names, RenderFolder(programFolder));
    RefuseOutputsThatAreRenders(job, names, RenderFolder(programFolder));
    const GuardedFiles renders(RenderFiles(job, names));
    CreateFolderPath(names.OutputFolder);

    FinishReport report;
    for (int face = 0; face < SkyboxFaceCount; ++face) {
        if (!job.Render[face]) continue;
        const std::string& render = names.RenderName[face];
        const std::string& final = names.FinalName[face];
        try {
            if (job.Convert == 0) {
                if (!MoveFile(render, final)) report.KeptRenders.push_back({face, render, {}});
                continue;
            }
            // What is loaded is what may be deleted, however the name is changed meanwhile.
            const auto loaded = EntryIdentityOf(render);
            const std::int16_t status = LoadPictureFile(render);
            if (status != PictureStatus::Loaded) {
                report.Unfinished.push_back({face, render, LoadFailure(status)});
                continue;
            }
            if (job.Convert == 1) {
                SaveBitmapAsTGA(final, LoadedPicture());
            } else if (!SavePictureAsJPEG(final, static_cast<std::int16_t>(job.JPGQuality))) {
                const std::string cause = LastJPEGWriteFailure();
                report.Unfinished.push_back(
                    {face, render, "its JPEG file could not be written" + (cause.empty() ? "" : " (" + cause + ")")});
                continue;
            }
            LoadedPicture().ClearUp();  // the view of the render goes first: Windows holds a mapped file open
            if (!loaded || !DeleteFileIfUnchanged(render, *loaded)) {
                report.KeptRenders.push_back({face, render, {}});
            }
        } catch (const std::exception& error) {
            throw FaceFinishError(face, "The " + FaceCaption(face) + " face (\"" + render + "\") was not finished. " +
                                            error.what() +
                                            "\n\nThe faces before it are finished; it and the faces after it keep "
                                            "their renders in \"" + RenderFolder(programFolder) + "\".");
        }
    }
    return report;
}

std::string CompletionMessage(const FinishReport& report) {
    std::string message = "Skybox Images are Done!";
    if (!report.Unfinished.empty()) {
        message += "\n\nThese faces were not finished, and their renders were left as they are:";
        for (const UnfinishedFace& face : report.Unfinished) {
            message += "\n" + FaceCaption(face.Face) + " (\"" + face.RenderName + "\"): " + face.Reason + ".";
        }
    }
    if (!report.KeptRenders.empty()) {
        message += "\n\nThese faces were finished, but another file was put under their render's name while they "
                   "were; that file was kept:";
        for (const UnfinishedFace& face : report.KeptRenders) {
            message += "\n" + FaceCaption(face.Face) + " (\"" + face.RenderName + "\").";
        }
    }
    return message;
}

}  // namespace vantorix
