// Writing a data image to an image file: a temporary file in the target's folder, renamed over
// the target only when the write completed.
#include "Jobs.h"
#include "discengine/Disc.h"
#include "discengine/Volume.h"
#include "isofs/Errors.h"
#include "isofs/Sink.h"
#include "isofs/TargetFile.h"

namespace discengine::data {

void RunImageFileJob(std::shared_ptr<JobShared> job, std::unique_ptr<ImageSource> source,
                     std::filesystem::path target, ImageSettings settings,
                     std::vector<VerifyEntry> verify) {
    Reporter reporter(job);
    reporter.Status(kWritePreparing, 0, source->Blocks());
    StreamObserver observer(reporter, kWriteWriting, 0);
    isofs::WriteResult result;
    try {
        isofs::TargetFile file(target);
        {
            isofs::FdSink sink(file.fd());
            if (!job->cancel)
                result = source->WriteTo(sink, &observer, &job->cancel);
            else
                result.status = isofs::WriteResult::Status::Cancelled;
        }
        if (result.status == isofs::WriteResult::Status::Completed && !observer.SourceRefused())
            file.commit();
    } catch (const isofs::OutputError& e) {
        result.status = isofs::WriteResult::Status::OutputFailed;
        result.message = e.what();
        result.errnum = e.errnum();
    } catch (const std::exception& e) {
        result.status = isofs::WriteResult::Status::OutputFailed;
        result.message = e.what();
    }
    if (observer.SourceRefused() || result.status == isofs::WriteResult::Status::SourceFailed ||
        result.status == isofs::WriteResult::Status::OutputFailed) {
        ReportWriteFailure(reporter, result, observer, target.string());
        reporter.Status(kWriteError);
        job->Finish();
        return;
    }
    if (result.status == isofs::WriteResult::Status::Cancelled) {
        reporter.Status(kWriteCancelled);
        job->Finish();
        return;
    }
    if (settings.autoVerify) {
        std::shared_ptr<IDiscVolume> written;
        try {
            written = OpenImageVolume(target);
        } catch (const std::exception&) {
        }
        VerifyFiles(reporter, written, verify);
    }
    reporter.Status(kWriteCompleted, source->Blocks(), source->Blocks());
    job->Finish();
}

} // namespace discengine::data
