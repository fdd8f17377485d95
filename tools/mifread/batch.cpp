#include "tools/mifread/batch.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <iostream>
#include <map>
#include <mutex>
#include <thread>

#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

namespace mifread {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

bool HasMifExtension(const fs::path& p) {
    std::string ext = p.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext == ".mif";
}

}  // namespace

std::vector<BatchInput> CollectInputs(const std::vector<std::string>& paths) {
    std::vector<BatchInput> inputs;
    for (const std::string& path : paths) {
        std::error_code ec;
        if (path == "-") {
            inputs.push_back({path, "stdin", ""});
            continue;
        }
        if (!fs::is_directory(path, ec)) {
            inputs.push_back({path, fs::path(path).filename(), ""});
            continue;
        }
        std::vector<BatchInput> found;
        fs::recursive_directory_iterator it(path, fs::directory_options::skip_permission_denied, ec), end;
        if (ec) {
            inputs.push_back({path, fs::path(path).filename(), "cannot read the folder: " + ec.message()});
            continue;
        }
        for (; it != end; it.increment(ec)) {
            if (ec) {
                inputs.push_back({path, fs::path(path).filename(), "cannot read the folder: " + ec.message()});
                break;
            }
            const fs::directory_entry& entry = *it;
            std::error_code typeError;
            // Plain files and links to files, and links that lead nowhere,
            // which are then reported; folders are only searched.
            if (entry.is_directory(typeError) || !HasMifExtension(entry.path())) continue;
            found.push_back({entry.path().string(), entry.path().lexically_relative(path), ""});
        }
        std::sort(found.begin(), found.end(), [](const BatchInput& a, const BatchInput& b) { return a.relative < b.relative; });
        inputs.insert(inputs.end(), found.begin(), found.end());
    }
    return inputs;
}

namespace {

// Counters that the workers update and the progress line reads.
struct Progress {
    std::atomic<size_t> done{0};
    std::atomic<size_t> failed{0};
    std::atomic<uint64_t> bytes{0};
    size_t total = 0;
    Clock::time_point start = Clock::now();

    double Seconds() const { return std::chrono::duration<double>(Clock::now() - start).count(); }
    std::string Line() const {
        const double mb = static_cast<double>(bytes.load()) / 1e6;
        const double s = Seconds();
        char buf[160];
        std::snprintf(buf, sizeof buf, "%zu of %zu documents, %.1f MB, %.1f MB/s, %zu failed", done.load(), total, mb,
                      s > 0 ? mb / s : 0.0, failed.load());
        return buf;
    }
};

}  // namespace

int RunBatch(const mifhost::Module& module, const std::vector<std::string>& paths, const BatchOptions& options) {
    std::vector<BatchInput> inputs = CollectInputs(paths);
    const std::string ext = std::string(".") + mifconvert::Extension(options.job.format);

    // Two inputs must not write the same output.
    std::map<fs::path, std::string> owners;
    for (BatchInput& in : inputs) {
        if (!in.problem.empty()) continue;
        fs::path out = (options.outDir / in.relative).replace_extension(ext).lexically_normal();
        auto [it, fresh] = owners.emplace(out, in.path);
        if (!fresh) in.problem = "its output " + out.string() + " is already written for " + it->second;
    }

    Progress progress;
    progress.total = inputs.size();
    const bool terminal = isatty(fileno(stderr)) != 0;
    std::mutex outputLock;
    std::condition_variable finished;
    bool allDone = false;

    auto report = [&](const BatchInput& in, const std::vector<std::string>& problems) {
        std::lock_guard<std::mutex> lock(outputLock);
        if (terminal) std::cerr << "\r\033[K";
        for (const std::string& p : problems) std::cerr << "mifread: " << in.path << ": " << p << "\n";
        std::cerr.flush();
    };

    std::unique_ptr<Source> stdinSource;
    std::mutex stdinLock;  // not outputLock: reading stdin may take long
    std::atomic<size_t> next{0};
    auto work = [&]() {
        for (size_t i; (i = next.fetch_add(1)) < inputs.size();) {
            const BatchInput& in = inputs[i];
            DocumentReport result;
            if (!in.problem.empty()) {
                result.ok = false;
                result.problems.push_back(in.problem);
            } else {
                ConvertJob job = options.job;
                job.output = (options.outDir / in.relative).replace_extension(ext);
                try {
                    std::unique_ptr<Source> file;
                    Source* source = nullptr;
                    if (in.path == "-") {
                        std::lock_guard<std::mutex> lock(stdinLock);
                        if (!stdinSource) stdinSource = Source::FromStdin(stdin);
                        source = stdinSource.get();
                    } else {
                        file = Source::FromFile(in.path);
                        source = file.get();
                    }
                    result = ConvertDocument(module, *source, job, std::cout,
                                             [&](uint64_t n) { progress.bytes.fetch_add(n, std::memory_order_relaxed); });
                } catch (const std::exception& e) {
                    result.ok = false;
                    result.problems.push_back(e.what());
                }
            }
            if (!result.ok) {
                progress.failed.fetch_add(1);
                report(in, result.problems);
            }
            progress.done.fetch_add(1);
        }
    };

    // On a terminal, one progress line, redrawn a few times a second.
    std::thread painter;
    if (terminal) {
        painter = std::thread([&]() {
            std::unique_lock<std::mutex> lock(outputLock);
            while (!finished.wait_for(lock, std::chrono::milliseconds(200), [&] { return allDone; })) {
                std::cerr << "\r\033[Kmifread: " << progress.Line() << std::flush;
            }
        });
    }

    const unsigned workers = std::max(1u, std::min<unsigned>(options.jobs, static_cast<unsigned>(std::max<size_t>(inputs.size(), 1))));
    std::vector<std::thread> threads;
    for (unsigned i = 1; i < workers; ++i) threads.emplace_back(work);
    work();
    for (std::thread& t : threads) t.join();
    {
        std::lock_guard<std::mutex> lock(outputLock);
        allDone = true;
    }
    finished.notify_all();
    if (painter.joinable()) painter.join();

    const double seconds = progress.Seconds();
    const double mb = static_cast<double>(progress.bytes.load()) / 1e6;
    char summary[200];
    std::snprintf(summary, sizeof summary, "%zu documents, %.1f MB in %.2f s (%.1f documents/s, %.1f MB/s), %zu failed",
                  inputs.size(), mb, seconds, seconds > 0 ? static_cast<double>(inputs.size()) / seconds : 0.0,
                  seconds > 0 ? mb / seconds : 0.0, progress.failed.load());
    if (terminal) std::cerr << "\r\033[K";
    std::cerr << "mifread: " << summary << "\n";
    return progress.failed.load() == 0 ? 0 : 1;
}

}  // namespace mifread
