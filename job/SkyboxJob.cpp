#include "job/SkyboxJob.h"

#include "job/mMain.h"

namespace vantorix {

SkyboxJob DefaultSkyboxJob(const std::string& programFolder) {
    SkyboxJob job;
    job.Output = RenderFolder(programFolder) + "NewSky";
    return job;
}

double GridSize(int tgSize) {
    if (tgSize < 0 || tgSize > 5) {
        throw std::out_of_range("grid option " + std::to_string(tgSize) + " is not one of 0 to 5");
    }
    return 128.0 * (1 << tgSize);
}

}  // namespace vantorix
