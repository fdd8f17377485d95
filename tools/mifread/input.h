// Where a document comes from: a file, or standard input ("-"). The reader
// seeks back to replay tables and the converters read a document twice, so
// standard input is taken in whole first: in memory up to a limit, in a
// temporary file beyond it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "host/stream.h"

namespace mifread {

class Source {
public:
    virtual ~Source() = default;
    // The name used in messages: the path, or "-".
    const std::string& name() const { return name_; }
    // A fresh stream over the whole document, positioned at its start;
    // throws std::runtime_error when it cannot be opened.
    virtual std::unique_ptr<mifhost::InputStream> Open() = 0;
    // Up to n bytes from the start (fewer when the document is shorter or
    // cannot be read).
    virtual std::string Head(size_t n) = 0;

    static std::unique_ptr<Source> FromFile(const std::string& path);
    // Reads all of the stream: up to memoryLimit bytes in memory, the rest
    // in a temporary file. Throws std::runtime_error when the input cannot be
    // read or stored, or is larger than 2 GiB.
    static std::unique_ptr<Source> FromStdin(std::FILE* in, size_t memoryLimit = kStdinMemoryLimit);

    static constexpr size_t kStdinMemoryLimit = 64u << 20;

protected:
    explicit Source(std::string name) : name_(std::move(name)) {}

private:
    std::string name_;
};

}  // namespace mifread
