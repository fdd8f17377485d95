// Converting one document: a first reading for the outline (sizes of the
// body text and of headings) when the format marks headings, then the
// reading that converts, tokens handed to the converter fill by fill. The
// frames' objects are read between fills and, when the output is a file,
// written next to it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "host/mifhost.h"
#include "tools/mifread/convert/converter.h"
#include "tools/mifread/input.h"

namespace mifread {

struct ConvertJob {
    mifconvert::Format format = mifconvert::Format::Text;
    uint32_t bufferSize = MIF_MIN_BUFFER_SIZE;
    uint64_t refuseAllocation = 0;  // the host refuses this allocation (1-based; 0: none)
    std::filesystem::path output;   // empty: write to the stream handed to ConvertDocument
};

struct DocumentReport {
    bool ok = true;
    std::vector<std::string> problems;  // each a reason, without the document's name
};

// Converts one document to out (when job.output is empty) or to job.output.
// progress, when set, receives the count of input bytes read so far.
DocumentReport ConvertDocument(const mifhost::Module& module, Source& source, const ConvertJob& job, std::ostream& out,
                               const std::function<void(uint64_t)>& progress = {});

// Why a run could not read the document at all ("not a MIF file", ...), or "".
std::string SetupProblem(const mifhost::RunResult& run);
// Why a run that started did not read to the end, or "".
std::string OutcomeProblem(const mifhost::RunResult& run, int64_t inputSize);
// The message for memory the host refused the module, or "" when none was.
std::string RefusalProblem(const mifhost::Allocator::Stats& stats);

// The allocation number in MIFREAD_REFUSE_ALLOCATION (for tests of the
// refusal message), 0 when unset; throws std::invalid_argument when the
// value is not a positive number.
uint64_t RefusalFromEnvironment();

}  // namespace mifread
