#include "export/ExportWorker.h"

#include <sstream>

namespace vantorix::cube {

ExportWorker::ExportWorker(ExportOptions options)
    : thread_([this, options = std::move(options)] {
          std::ostringstream report;
          Outcome outcome = Outcome::Failed;
          try {
              RunExport(options, report, nullptr, &watch_);
              message_ = report.str();
              outcome = Outcome::Written;
          } catch (const ExportCancelled& cancelled) {
              message_ = cancelled.what();
              outcome = Outcome::Cancelled;
          } catch (...) {
              message_ = DescribeExportFailure(std::current_exception());
          }
          outcome_ = outcome;
      }) {}

ExportWorker::~ExportWorker() {
    Cancel();
    thread_.join();
}

}  // namespace vantorix::cube
