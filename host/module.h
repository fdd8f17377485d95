// The reader module as the host sees it: six exported entry points, loaded
// from a shared library or taken from a table of function pointers, and the
// interface table that mifGetReaderInterface fills.
#pragma once

#include <stdexcept>
#include <string>

#include "mifreader/mifreader.h"

namespace mifhost {

class ModuleError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

using GetReaderInterfaceFn = void (*)(void**);

// The entries the host calls, as found in the interface table.
struct ReaderInterface {
    MifAllocateContextFn allocateContext = nullptr;
    MifFreeContextFn freeContext = nullptr;
    MifInitDocFn initDoc = nullptr;
    MifFillBufferFn fillBuffer = nullptr;
    MifCharSetFn charSet = nullptr;
};

// The six exports, by name: the same five entries and the one that fills
// the interface table.
struct EntryPoints : ReaderInterface {
    GetReaderInterfaceFn getReaderInterface = nullptr;
};

class Module {
public:
    // Loads the library at path and resolves the six exports; throws
    // ModuleError when the library or an export is missing or the interface
    // table is not filled as expected.
    static Module Load(const std::string& path);

    // Uses entry points that are already in the process (linked in).
    explicit Module(const EntryPoints& exports);

    Module(Module&& other) noexcept;
    Module& operator=(Module&& other) noexcept;
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;
    ~Module();

    const EntryPoints& exports() const { return exports_; }
    const ReaderInterface& reader() const { return reader_; }
    const std::string& path() const { return path_; }

    // Calls mifGetReaderInterface on a table whose slots hold garbage and
    // checks that slots 0-3 and 9 are filled with the exports and every
    // other slot is null. Returns a description of the first problem, or an
    // empty string.
    static std::string CheckInterface(const EntryPoints& exports, ReaderInterface* out);

private:
    Module() = default;
    void Bind();

    void* library_ = nullptr;
    std::string path_;
    EntryPoints exports_;
    ReaderInterface reader_;
};

}  // namespace mifhost
