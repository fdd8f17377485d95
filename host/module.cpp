#include "host/module.h"

#include <cstdint>
#include <cstring>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace mifhost {

namespace {

#ifdef _WIN32
void* OpenLibrary(const std::string& path, std::string* error) {
    HMODULE h = LoadLibraryA(path.c_str());
    if (h == nullptr) *error = "LoadLibrary failed with error " + std::to_string(GetLastError());
    return reinterpret_cast<void*>(h);
}
void* FindSymbol(void* library, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}
void CloseLibrary(void* library) { FreeLibrary(static_cast<HMODULE>(library)); }
#else
void* OpenLibrary(const std::string& path, std::string* error) {
    void* h = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (h == nullptr) {
        const char* e = dlerror();
        *error = e != nullptr ? e : "dlopen failed";
    }
    return h;
}
void* FindSymbol(void* library, const char* name) { return dlsym(library, name); }
void CloseLibrary(void* library) { dlclose(library); }
#endif

template <typename Fn>
Fn Resolve(void* library, const char* name) {
    void* p = FindSymbol(library, name);
    if (p == nullptr) throw ModuleError(std::string("export ") + name + " not found");
    Fn fn;
    static_assert(sizeof fn == sizeof p);
    std::memcpy(&fn, &p, sizeof fn);
    return fn;
}

template <typename Fn>
Fn SlotAs(void* slot) {
    Fn fn;
    std::memcpy(&fn, &slot, sizeof fn);
    return fn;
}

template <typename Fn>
bool Same(void* slot, Fn fn) {
    return std::memcmp(&slot, &fn, sizeof fn) == 0;
}

}  // namespace

std::string Module::CheckInterface(const EntryPoints& e, ReaderInterface* out) {
    if (e.getReaderInterface == nullptr || e.allocateContext == nullptr || e.freeContext == nullptr ||
        e.initDoc == nullptr || e.fillBuffer == nullptr || e.charSet == nullptr) {
        return "an entry point is missing";
    }
    void* table[MIF_INTERFACE_SLOTS];
    for (int i = 0; i < MIF_INTERFACE_SLOTS; ++i) {
        table[i] = reinterpret_cast<void*>(static_cast<uintptr_t>(0xA5A5A5A5A5A5A5A5ull - i));
    }
    e.getReaderInterface(table);
    for (int i = 0; i < MIF_INTERFACE_SLOTS; ++i) {
        bool used = i <= MIF_SLOT_FILL_BUFFER || i == MIF_SLOT_CHARSET;
        if (used && table[i] == nullptr) return "interface slot " + std::to_string(i) + " is null";
        if (!used && table[i] != nullptr) return "interface slot " + std::to_string(i) + " is not null";
    }
    if (!Same(table[MIF_SLOT_ALLOCATE_CONTEXT], e.allocateContext) || !Same(table[MIF_SLOT_FREE_CONTEXT], e.freeContext) ||
        !Same(table[MIF_SLOT_INIT_DOC], e.initDoc) || !Same(table[MIF_SLOT_FILL_BUFFER], e.fillBuffer) ||
        !Same(table[MIF_SLOT_CHARSET], e.charSet)) {
        return "interface slots do not match the exported functions";
    }
    if (out != nullptr) {
        out->allocateContext = SlotAs<MifAllocateContextFn>(table[MIF_SLOT_ALLOCATE_CONTEXT]);
        out->freeContext = SlotAs<MifFreeContextFn>(table[MIF_SLOT_FREE_CONTEXT]);
        out->initDoc = SlotAs<MifInitDocFn>(table[MIF_SLOT_INIT_DOC]);
        out->fillBuffer = SlotAs<MifFillBufferFn>(table[MIF_SLOT_FILL_BUFFER]);
        out->charSet = SlotAs<MifCharSetFn>(table[MIF_SLOT_CHARSET]);
    }
    return {};
}

Module Module::Load(const std::string& path) {
    Module m;
    std::string error;
    m.library_ = OpenLibrary(path, &error);
    if (m.library_ == nullptr) throw ModuleError("cannot load " + path + ": " + error);
    m.path_ = path;
    m.exports_.getReaderInterface = Resolve<GetReaderInterfaceFn>(m.library_, "mifGetReaderInterface");
    m.exports_.allocateContext = Resolve<MifAllocateContextFn>(m.library_, "mifAllocateContext");
    m.exports_.freeContext = Resolve<MifFreeContextFn>(m.library_, "mifFreeContext");
    m.exports_.initDoc = Resolve<MifInitDocFn>(m.library_, "mifInitDoc");
    m.exports_.fillBuffer = Resolve<MifFillBufferFn>(m.library_, "mifFillBuffer");
    m.exports_.charSet = Resolve<MifCharSetFn>(m.library_, "mifCharSet");
    m.Bind();
    return m;
}

Module::Module(const EntryPoints& exports) : exports_(exports) { Bind(); }

void Module::Bind() {
    std::string problem = CheckInterface(exports_, &reader_);
    if (!problem.empty()) throw ModuleError((path_.empty() ? std::string("module") : path_) + ": " + problem);
}

Module::Module(Module&& other) noexcept
    : library_(std::exchange(other.library_, nullptr)),
      path_(std::move(other.path_)),
      exports_(other.exports_),
      reader_(other.reader_) {}

Module& Module::operator=(Module&& other) noexcept {
    if (this != &other) {
        if (library_ != nullptr) CloseLibrary(library_);
        library_ = std::exchange(other.library_, nullptr);
        path_ = std::move(other.path_);
        exports_ = other.exports_;
        reader_ = other.reader_;
    }
    return *this;
}

Module::~Module() {
    if (library_ != nullptr) CloseLibrary(library_);
}

}  // namespace mifhost
