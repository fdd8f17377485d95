// Batch conversion: files and folders (searched for *.mif in any case) to
// one output each under an output folder, mirroring the relative paths,
// converted N at a time. A document that fails is reported and the others
// go on; a progress line on a terminal, a summary at the end.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "host/module.h"
#include "tools/mifread/document_run.h"

namespace mifread {

struct BatchOptions {
    ConvertJob job;  // format, buffer size, refusal; the output is set per document
    std::filesystem::path outDir;
    unsigned jobs = 1;
};

struct BatchInput {
    std::string path;           // as given or found; "-" for standard input
    std::filesystem::path relative;  // the output's path under the output folder, before its extension
    std::string problem;        // set when the input cannot be converted at all
};

// The documents that the paths name: files as given, folders searched
// recursively for names ending in ".mif" in any case (symbolic links to
// folders are not followed), each folder's finds in name order.
std::vector<BatchInput> CollectInputs(const std::vector<std::string>& paths);

// Converts everything; returns the exit status (0, or 1 when any document failed).
int RunBatch(const mifhost::Module& module, const std::vector<std::string>& paths, const BatchOptions& options);

}  // namespace mifread
