// Records the transcript of each document as the Linux library reads it, for
// the Windows test program to compare the DLL's transcripts against.
//
//   mif_token_dump <module.so> <outdir> <maxBytes> <file or folder>...
//
// Folders contribute their *.mif files of at most maxBytes bytes. The
// hand-written mixed document is always recorded too. outdir/index.txt lists
// "<transcript name>\t<document path>" per line.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "documents.h"
#include "transcript.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s <module> <outdir> <maxBytes> <file or folder>...\n", argv[0]);
        return 2;
    }
    mifhost::Module module = [&] {
        try {
            return mifhost::Module::Load(argv[1]);
        } catch (const mifhost::ModuleError& e) {
            std::fprintf(stderr, "%s\n", e.what());
            std::exit(1);
        }
    }();
    const fs::path outdir = argv[2];
    const uintmax_t maxBytes = std::strtoull(argv[3], nullptr, 10);
    std::error_code ec;
    fs::create_directories(outdir, ec);

    std::vector<fs::path> documents;
    const fs::path mixed = fs::absolute(outdir / "mixed.mif");
    if (!transcript::WriteFile(mixed.string(), moddocs::kMixedDocument)) {
        std::fprintf(stderr, "cannot write %s\n", mixed.string().c_str());
        return 1;
    }
    documents.push_back(mixed);
    for (int i = 4; i < argc; ++i) {
        fs::path p = fs::absolute(argv[i]);
        if (fs::is_directory(p, ec)) {
            std::vector<fs::path> found;
            for (const auto& entry : fs::directory_iterator(p, ec)) {
                if (entry.path().extension() == ".mif" && entry.is_regular_file() && entry.file_size() <= maxBytes) {
                    found.push_back(entry.path());
                }
            }
            std::sort(found.begin(), found.end());
            documents.insert(documents.end(), found.begin(), found.end());
        } else if (fs::is_regular_file(p, ec)) {
            documents.push_back(p);
        }
    }

    std::string index;
    uintmax_t total = 0;
    for (const fs::path& doc : documents) {
        std::string input;
        if (!transcript::ReadFile(doc.string(), &input)) {
            std::fprintf(stderr, "cannot read %s\n", doc.string().c_str());
            return 1;
        }
        transcript::Result t = transcript::Record(module, input);
        std::string name = doc.filename().string() + ".transcript";
        if (!transcript::WriteFile((outdir / name).string(), t.bytes)) {
            std::fprintf(stderr, "cannot write %s\n", name.c_str());
            return 1;
        }
        index += name + "\t" + doc.string() + "\n";
        total += input.size();
    }
    if (!transcript::WriteFile((outdir / "index.txt").string(), index)) return 1;
    std::printf("recorded %zu documents (%ju bytes) in %s\n", documents.size(), total, outdir.string().c_str());
    return 0;
}
