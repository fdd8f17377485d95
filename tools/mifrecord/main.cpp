// mifrecord: writes down everything the reader module reports for a set of
// documents, under several feeding conditions, so that a change to the
// module can be checked byte for byte against the outputs it had before.
//
//   mifrecord record DIR [--module PATH] FILE_OR_FOLDER...
//   mifrecord compare DIR [--module PATH] FILE_OR_FOLDER...
//
// For each document and each condition (buffer size, read chunking) the
// record holds: every fill's status, percentage and bytes written; the
// tokens; every stream call (read size asked and delivered, seeks, tells);
// every font query in order; and, between fills, each frame's object read
// through the callbacks in uneven chunks with seeks and tells. Documents of
// up to 256 KiB are also read with 1 to 4021 blanks inserted after their
// first line, which moves every input window's boundary: of those readings
// only a digest is kept. `compare` records again in memory and reports the
// first difference per document.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "host/mifhost.h"

namespace fs = std::filesystem;
using namespace mifhost;

namespace {

struct Condition {
    const char* name;
    uint32_t bufferSize;
    uint32_t readChunk;  // 0: whole reads
};

// The documented minimum, a large buffer with reads cut just short of a
// window, a small buffer with tiny reads, and a buffer below the minimum
// (fills stop at the threshold every few statements, or with status 5).
constexpr Condition kConditions[] = {
    {"64k", 65536, 0},
    {"1m-r4093", 1u << 20, 4093},
    {"16k-r7", 16384, 7},
    {"4k", 4096, 0},
};

class Record {
public:
    void U32(uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes_.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    }
    void I64(int64_t v) {
        U32(static_cast<uint32_t>(v));
        U32(static_cast<uint32_t>(static_cast<uint64_t>(v) >> 32));
    }
    void Tag(char c) { bytes_.push_back(c); }
    void Bytes(const void* p, size_t n) {
        U32(static_cast<uint32_t>(n));
        bytes_.append(static_cast<const char*>(p), n);
    }
    const std::string& bytes() const { return bytes_; }

private:
    std::string bytes_;
};

// Opens, measures and reads the object of every frame token in one fill's
// output, in chunks of uneven sizes, then seeks back into it and reads again.
void ReadObjects(const HostCallback& callback, std::span<const uint8_t> tokens, Record& out) {
    static constexpr uint32_t kChunks[] = {7, 1, 4093, 64, 333};
    std::vector<std::string> ids;
    try {
        TokenReader reader(tokens);
        while (!reader.AtEnd()) {
            Token t = reader.Next();
            if (const auto* frame = std::get_if<FrameToken>(&t.value)) ids.push_back(frame->id);
        }
    } catch (const TokenError&) {
        // A malformed stream shows in the recorded tokens themselves.
    }
    for (const std::string& idText : ids) {
        ObjectReader reader(callback.objectRecord());
        out.Tag('O');
        out.Bytes(idText.data(), idText.size());
        bool opened = reader.Open(idText);
        out.U32(opened);
        if (!opened) continue;
        out.U32(static_cast<uint32_t>(reader.Seek(0, 2)));
        uint32_t size = reader.Tell();
        out.U32(size);
        out.U32(static_cast<uint32_t>(reader.Seek(0, 0)));
        std::vector<uint8_t> data;
        uint8_t chunk[4096];
        for (size_t i = 0; data.size() < (64u << 20); ++i) {
            uint32_t want = kChunks[i % std::size(kChunks)];
            uint32_t got = std::min(reader.Read(chunk, want), want);
            data.insert(data.end(), chunk, chunk + got);
            if (got < want) break;
        }
        out.Bytes(data.data(), data.size());
        out.U32(static_cast<uint32_t>(reader.Seek(static_cast<int32_t>(size / 2), 0)));
        out.U32(reader.Tell());
        uint32_t got = std::min(reader.Read(chunk, 100), 100u);
        out.Bytes(chunk, got);
        out.U32(static_cast<uint32_t>(reader.Close()));
    }
}

std::string RecordDocument(const Module& module, const std::string& input, const Condition& c) {
    Record out;
    Host host;
    std::vector<std::pair<std::string, uint8_t>> queries;
    host.callback.SetQueryLog(&queries);
    auto stream = InputStream::FromMemory(input);
    stream->SetMaxChunk(c.readChunk);
    stream->SetLogging(true);
    std::string objects;
    Record objectRecord;
    DriverOptions options;
    options.bufferSize = c.bufferSize;
    options.betweenFills = [&](std::span<const uint8_t> bytes) {
        stream->SetLogging(false);
        ReadObjects(host.callback, bytes, objectRecord);
        stream->SetLogging(true);
    };
    options.keepTokens = true;
    RunResult run = Driver(module).Run(host, *stream, options);

    out.Tag('R');
    out.U32(static_cast<uint32_t>(run.outcome));
    out.U32(static_cast<uint32_t>(run.initStatus));
    out.U32(static_cast<uint32_t>(run.freeStatus));
    out.U32(run.overran);
    out.U32(host.services.StatusWord());
    out.I64(run.streamPosition);
    for (const FillRecord& f : run.fills) {
        out.Tag('F');
        out.U32(static_cast<uint32_t>(f.status));
        out.U32(f.percentSet ? f.percent : 0xFFFFFFFFu);
        out.U32(f.bytesWrittenSet ? f.bytesWritten : 0xFFFFFFFFu);
    }
    out.Tag('T');
    out.Bytes(run.tokens.data(), run.tokens.size());
    for (const StreamCall& call : stream->log()) {
        out.Tag('S');
        out.U32(static_cast<uint32_t>(call.kind));
        out.I64(call.a);
        out.I64(call.b);
        out.I64(call.result);
    }
    for (const auto& [face, family] : queries) {
        out.Tag('Q');
        out.Bytes(face.data(), face.size());
        out.U32(family);
    }
    out.Tag('L');
    out.U32(static_cast<uint32_t>(host.allocator.stats().liveBlocks));
    out.U32(static_cast<uint32_t>(host.allocator.stats().badFrees));
    return out.bytes() + objectRecord.bytes();
}

bool ReadFile(const fs::path& path, std::string* out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    out->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

std::vector<fs::path> Documents(const std::vector<std::string>& args) {
    std::vector<fs::path> found;
    std::error_code ec;
    for (const std::string& a : args) {
        if (fs::is_directory(a, ec)) {
            for (const auto& entry : fs::recursive_directory_iterator(a, ec)) {
                std::string ext = entry.path().extension().string();
                std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char ch) { return std::tolower(ch); });
                if (entry.is_regular_file() && ext == ".mif") found.push_back(entry.path());
            }
        } else if (fs::is_regular_file(a, ec)) {
            found.push_back(a);
        } else {
            std::cerr << "mifrecord: " << a << ": no such file or folder (skipped)\n";
        }
    }
    std::sort(found.begin(), found.end());
    return found;
}

// The document with n blanks inserted after its first line.
std::string Shifted(const std::string& input, size_t n) {
    size_t line = input.find('\n');
    size_t at = line == std::string::npos ? input.size() : line + 1;
    return input.substr(0, at) + std::string(n, ' ') + input.substr(at);
}

uint64_t Digest(const std::string& bytes) {
    uint64_t h = 0xCBF29CE484222325ull;
    for (unsigned char c : bytes) h = (h ^ c) * 0x100000001B3ull;
    return h;
}

constexpr size_t kShiftedMaxBytes = 256 * 1024;
constexpr int kShifts = 61;

// One line per shifted reading: the condition, the blanks inserted and the
// digest of the record.
std::string ShiftDigests(const Module& module, const std::string& input) {
    std::string lines;
    for (const Condition& c : {kConditions[0], kConditions[3]}) {
        for (int i = 0; i < kShifts; ++i) {
            size_t blanks = 1 + 67 * static_cast<size_t>(i);
            char line[96];
            std::snprintf(line, sizeof line, "%s %zu %016llx\n", c.name, blanks,
                          static_cast<unsigned long long>(Digest(RecordDocument(module, Shifted(input, blanks), c))));
            lines += line;
        }
    }
    return lines;
}

size_t FirstDifference(const std::string& a, const std::string& b) {
    auto [i, j] = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
    return static_cast<size_t>(i - a.begin());
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string modulePath = MIFRECORD_DEFAULT_MODULE;
    if (auto it = std::find(args.begin(), args.end(), "--module"); it != args.end() && it + 1 != args.end()) {
        modulePath = *(it + 1);
        args.erase(it, it + 2);
    }
    if (args.size() < 3 || (args[0] != "record" && args[0] != "compare")) {
        std::cerr << "usage: mifrecord record|compare DIR [--module PATH] FILE_OR_FOLDER...\n";
        return 2;
    }
    const bool recording = args[0] == "record";
    const fs::path dir = args[1];
    std::vector<fs::path> documents = Documents({args.begin() + 2, args.end()});
    if (documents.empty()) {
        std::cerr << "mifrecord: no documents\n";
        return 2;
    }
    // Records are named after the documents' file names, which must differ.
    std::map<std::string, fs::path> names;
    for (const fs::path& doc : documents) {
        if (auto [it, fresh] = names.emplace(doc.filename().string(), doc); !fresh) {
            std::cerr << "mifrecord: " << doc.string() << " and " << it->second.string() << " share a file name\n";
            return 2;
        }
    }
    std::error_code ec;
    if (recording) fs::create_directories(dir, ec);

    try {
        Module module = Module::Load(modulePath);
        size_t differing = 0, missing = 0;
        uintmax_t bytes = 0;
        for (const fs::path& doc : documents) {
            std::string input;
            if (!ReadFile(doc, &input)) {
                std::cerr << "mifrecord: cannot read " << doc.string() << "\n";
                return 1;
            }
            bytes += input.size();
            std::vector<std::pair<std::string, std::string>> records;  // file name, record
            for (const Condition& c : kConditions) {
                records.emplace_back(doc.filename().string() + "." + c.name + ".rec", RecordDocument(module, input, c));
            }
            if (input.size() <= kShiftedMaxBytes) {
                records.emplace_back(doc.filename().string() + ".shifted.rec", ShiftDigests(module, input));
            }
            for (const auto& [name, record] : records) {
                fs::path file = dir / name;
                if (recording) {
                    std::ofstream out(file, std::ios::binary);
                    out.write(record.data(), static_cast<std::streamsize>(record.size()));
                    if (!out) {
                        std::cerr << "mifrecord: cannot write " << file.string() << "\n";
                        return 1;
                    }
                    continue;
                }
                std::string before;
                if (!ReadFile(file, &before)) {
                    std::cout << "missing  " << file.string() << "\n";
                    ++missing;
                } else if (before != record) {
                    size_t at = FirstDifference(before, record);
                    std::cout << "DIFFERS  " << name << " from byte " << at << " of the record (" << before.size()
                              << " before, " << record.size() << " now)";
                    if (name.ends_with(".shifted.rec")) {
                        size_t line = before.rfind('\n', at);
                        size_t lineEnd = before.find('\n', at);
                        size_t from = line == std::string::npos ? 0 : line + 1;
                        std::cout << ": first at " << before.substr(from, lineEnd - from);
                    }
                    std::cout << "\n";
                    ++differing;
                }
            }
        }
        std::cout << (recording ? "recorded " : "compared ") << documents.size() << " documents (" << bytes
                  << " bytes) under " << std::size(kConditions) << " conditions (and shifted)";
        if (!recording) std::cout << ": " << differing << " differ, " << missing << " missing";
        std::cout << "\n";
        return differing + missing == 0 ? 0 : 1;
    } catch (const std::exception& e) {
        std::cerr << "mifrecord: " << e.what() << "\n";
        return 2;
    }
}
