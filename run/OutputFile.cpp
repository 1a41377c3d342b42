#include "run/OutputFile.h"

#include "app/JobSettings.h"
#include "geometry/OutputSink.h"

namespace kerfmax {

OutputResult WriteOutputFile(const Job& job, const JobSettings& settings, const CommandTexts& texts,
                             const std::filesystem::path& path, BladeCompensator& compensator,
                             const std::atomic<int>* cancel, std::string* error, OutputLayout* layout)
{
    if (!job.HasJob()) return OutputResult::NothingToCut;
    FileSink sink(path, cancel);
    OutputResult result = OutputResult::WriteFailed;
    if (sink.Open()) result = BuildOutputJob(job, OutputOptionsFor(settings), texts, sink, compensator, layout);
    if (result == OutputResult::Written && !sink.Commit()) result = OutputResult::WriteFailed;
    if (result == OutputResult::WriteFailed && error) *error = sink.Error();
    return result;
}

std::string SystemWarningText(const std::string& reason)
{
    return "Warning: " + reason;
}

}  // namespace kerfmax
