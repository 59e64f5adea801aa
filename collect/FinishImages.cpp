#include "collect/FinishImages.h"

#include "collect/FaceFileNames.h"
#include "imaging/PixelBlock.h"
#include "imaging/mIntelJPEGLibrary.h"
#include "imaging/mPictureLoader.h"
#include "imaging/mSaveTGA.h"
#include "job/mMain.h"
#include "platform/FileError.h"
#include "platform/FileSystem.h"

#include <array>
#include <optional>

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

// With As-Is names, an output in the render folder may be called like the
// frame of another face, however the prefix spells that folder; moving onto
// it would destroy that render.
void RefuseOutputsOverRenders(const SkyboxJob& job, const FaceFileNames& names) {
    if (job.Convert != 0) return;
    for (int face = 0; face < SkyboxFaceCount; ++face) {
        for (int other = 0; other < SkyboxFaceCount; ++other) {
            if (!job.Render[face] || !job.Render[other] || other == face) continue;
            if (SameFolderEntry(names.FinalName[face], names.RenderName[other])) {
                throw FaceFinishError(face, "The " + FaceCaption(face) + " face cannot be finished as \"" +
                                                names.FinalName[face] + "\": that is the render of the " +
                                                FaceCaption(other) +
                                                " face. Choose another output prefix; no face was finished.");
            }
        }
    }
}

// The renders as they stood when finishing began, so that a move can still
// tell one from an output if the folders change under the run.
std::array<std::optional<FileIdentity>, SkyboxFaceCount> RenderIdentities(const SkyboxJob& job,
                                                                          const FaceFileNames& names) {
    std::array<std::optional<FileIdentity>, SkyboxFaceCount> identities;
    for (int face = 0; face < SkyboxFaceCount; ++face) {
        if (job.Render[face]) identities[face] = IdentityOf(names.RenderName[face]);
    }
    return identities;
}

void RefuseMovingOntoARender(int face, const std::string& final,
                             const std::array<std::optional<FileIdentity>, SkyboxFaceCount>& renders) {
    const auto target = IdentityOf(final);
    if (!target) return;
    for (int other = 0; other < SkyboxFaceCount; ++other) {
        if (other != face && renders[other] == target) {
            throw FileError("replace", final, "it is the render of the " + FaceCaption(other) + " face");
        }
    }
}

}  // namespace

FinishReport FinishImages(const SkyboxJob& job, const std::string& programFolder) {
    const FaceFileNames names = ComposeFaceFileNames(job, programFolder);
    RefuseOutputsOverRenders(job, names);
    const auto renders = RenderIdentities(job, names);
    CreateFolderPath(names.OutputFolder);

    FinishReport report;
    PixelBlock pixels;  // one block, resized for each face
    for (int face = 0; face < SkyboxFaceCount; ++face) {
        if (!job.Render[face]) continue;
        const std::string& render = names.RenderName[face];
        const std::string& final = names.FinalName[face];
        try {
            if (job.Convert == 0) {
                RefuseMovingOntoARender(face, final, renders);
                MoveFile(render, final);
                continue;
            }
            const std::int16_t status = LoadPictureFile(render);
            if (status != PictureStatus::Loaded) {
                report.Unfinished.push_back({face, render, LoadFailure(status)});
                continue;
            }
            if (job.Convert == 1) {
                CopyPicturePixels(pixels);
                SaveTGA(final, pixels, LoadedPicture().Width(), LoadedPicture().Height());
            } else if (!SavePictureAsJPEG(final, static_cast<std::int16_t>(job.JPGQuality))) {
                const std::string cause = LastJPEGWriteFailure();
                report.Unfinished.push_back(
                    {face, render, "its JPEG file could not be written" + (cause.empty() ? "" : " (" + cause + ")")});
                continue;
            }
            DeleteFile(render);
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
    if (report.Unfinished.empty()) return message;
    message += "\n\nThese faces were not finished, and their renders were left as they are:";
    for (const UnfinishedFace& face : report.Unfinished) {
        message += "\n" + FaceCaption(face.Face) + " (\"" + face.RenderName + "\"): " + face.Reason + ".";
    }
    return message;
}

}  // namespace vantorix
