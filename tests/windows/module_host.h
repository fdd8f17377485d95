// A small host that drives the reader module through its six exports, loaded
// at run time from a shared library (dlopen) or a DLL (LoadLibraryA). The same
// code runs on Linux, to record the token stream of a document, and on
// Windows, to compare the DLL's stream with that record; only the module
// differs between the two runs.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "mifreader/mifreader.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace modhost {

struct Exports {
    void* library = nullptr;
    void (*getReaderInterface)(void**) = nullptr;
    MifAllocateContextFn allocateContext = nullptr;
    MifFreeContextFn freeContext = nullptr;
    MifInitDocFn initDoc = nullptr;
    MifFillBufferFn fillBuffer = nullptr;
    MifCharSetFn charSet = nullptr;
};

inline void* FindExport(void* library, const char* name) {
#ifdef _WIN32
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
#else
    return dlsym(library, name);
#endif
}

// Loads the module and resolves the six exports; false with a message when
// the library or one of them is missing.
inline bool LoadModule(const std::string& path, Exports* out, std::string* error) {
    *out = Exports{};
#ifdef _WIN32
    void* library = reinterpret_cast<void*>(LoadLibraryA(path.c_str()));
    if (library == nullptr) {
        *error = "LoadLibraryA(" + path + ") failed with error " + std::to_string(GetLastError());
        return false;
    }
#else
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        const char* e = dlerror();
        *error = e != nullptr ? e : "dlopen failed";
        return false;
    }
#endif
    out->library = library;
    const char* names[] = {"mifGetReaderInterface", "mifAllocateContext", "mifFreeContext",
                           "mifInitDoc",            "mifFillBuffer",      "mifCharSet"};
    void* found[6];
    for (int i = 0; i < 6; ++i) {
        found[i] = FindExport(library, names[i]);
        if (found[i] == nullptr) {
            *error = std::string("export missing: ") + names[i];
            return false;
        }
    }
    out->getReaderInterface = reinterpret_cast<void (*)(void**)>(found[0]);
    out->allocateContext = reinterpret_cast<MifAllocateContextFn>(found[1]);
    out->freeContext = reinterpret_cast<MifFreeContextFn>(found[2]);
    out->initDoc = reinterpret_cast<MifInitDocFn>(found[3]);
    out->fillBuffer = reinterpret_cast<MifFillBufferFn>(found[4]);
    out->charSet = reinterpret_cast<MifCharSetFn>(found[5]);
    return true;
}

inline void UnloadModule(Exports* exports) {
    if (exports->library == nullptr) return;
#ifdef _WIN32
    FreeLibrary(static_cast<HMODULE>(exports->library));
#else
    dlclose(exports->library);
#endif
    exports->library = nullptr;
}

// What the host saw of one font query.
struct FontQuery {
    uint8_t record[MIF_LOGFONT_SIZE];
};

// The host's blocks at the byte offsets the module reads, an allocator that
// counts and can refuse the n-th request, and a stream over bytes in memory
// that logs its seeks and tells.
class Host {
public:
    explicit Host(const Exports& exports)
        : exports_(exports), services_(MIF_HS_MIN_SIZE + 16, 0), stream_(MIF_IS_MIN_SIZE + 16, 0) {
        Host* self = this;
        std::memcpy(services_.data(), &self, sizeof self);
        std::memcpy(stream_.data(), &self, sizeof self);
        Put(services_.data(), MIF_HS_ALLOCATE, reinterpret_cast<void*>(&Allocate));
        Put(services_.data(), MIF_HS_FREE, reinterpret_cast<void*>(&Free));
        Put(services_.data(), MIF_HS_ALLOCATE_ARRAY, reinterpret_cast<void*>(&AllocateArray));
        Put(services_.data(), MIF_HS_REALLOCATE, reinterpret_cast<void*>(&Reallocate));
        Put(stream_.data(), MIF_IS_READ, reinterpret_cast<void*>(&Read));
        Put(stream_.data(), MIF_IS_SEEK, reinterpret_cast<void*>(&Seek));
        Put(stream_.data(), MIF_IS_TELL, reinterpret_cast<void*>(&Tell));
    }
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    // Allocator bookkeeping.
    long live = 0;
    long requests = 0;
    long refuseAt = -1;              // 1-based request number to refuse
    bool wrongAllocatorSeen = false; // an allocator call got another first argument
    // Stream.
    std::string input;
    size_t position = 0;
    std::string streamLog;           // "S<offset>,<whence>;" and "T;" in call order
    // Callback.
    std::vector<FontQuery> fontQueries;
    std::vector<std::string> fontNames;
    std::vector<uint8_t> objectRecord;  // the host's copy, 18 slots
    int registrations = 0;

    void* services() { return services_.data(); }
    void* stream() { return stream_.data(); }
    uint32_t statusWord() const {
        uint32_t v;
        std::memcpy(&v, services_.data() + MIF_HS_STATUS_WORD, 4);
        return v;
    }
    const Exports& exports() const { return exports_; }

    void* NewContext() {
        uint32_t flag = 0;
        return exports_.allocateContext(this, &Callback, &flag, services(), 0);
    }

    // Runs the object callbacks of the registered record.
    int32_t ObjectOpen(const char* idText) {
        void* text = const_cast<char*>(idText);
        std::memcpy(objectRecord.data() + 8 * MIF_OC_SLOT_ID_TEXT, &text, sizeof text);
        return Slot<MifObjectOpenFn>(MIF_OC_SLOT_OPEN)(objectRecord.data());
    }
    uint32_t ObjectRead(uint8_t* buffer, uint32_t count) {
        return Slot<MifObjectReadFn>(MIF_OC_SLOT_READ)(objectRecord.data(), buffer, count);
    }
    int32_t ObjectSeek(int32_t offset, uint32_t origin) {
        return Slot<MifObjectSeekFn>(MIF_OC_SLOT_SEEK)(objectRecord.data(), offset, origin);
    }
    uint32_t ObjectTell() { return Slot<MifObjectTellFn>(MIF_OC_SLOT_TELL)(objectRecord.data()); }
    int32_t ObjectClose() { return Slot<MifObjectCloseFn>(MIF_OC_SLOT_CLOSE)(objectRecord.data()); }
    bool HasObjectCallbacks() const {
        if (objectRecord.size() != MIF_OC_SIZE) return false;
        for (int slot : {MIF_OC_SLOT_OPEN, MIF_OC_SLOT_READ, MIF_OC_SLOT_SEEK, MIF_OC_SLOT_TELL, MIF_OC_SLOT_CLOSE}) {
            void* p;
            std::memcpy(&p, objectRecord.data() + 8 * slot, sizeof p);
            if (p == nullptr) return false;
        }
        return true;
    }

private:
    template <typename Fn>
    Fn Slot(int slot) const {
        Fn fn;
        std::memcpy(&fn, objectRecord.data() + 8 * slot, sizeof fn);
        return fn;
    }
    static void Put(uint8_t* block, int offset, void* p) { std::memcpy(block + offset, &p, sizeof p); }
    static Host* FromAllocator(void* allocator) {
        Host* host;
        std::memcpy(&host, static_cast<uint8_t*>(allocator) - MIF_HS_ALLOCATOR, sizeof host);
        if (allocator != host->services_.data() + MIF_HS_ALLOCATOR) host->wrongAllocatorSeen = true;
        return host;
    }
    static Host* FromStream(void* block) {
        Host* host;
        std::memcpy(&host, block, sizeof host);
        return host;
    }
    static void* Allocate(void* allocator, uint32_t size) {
        Host* host = FromAllocator(allocator);
        if (++host->requests == host->refuseAt) return nullptr;
        void* p = std::malloc(size == 0 ? 1 : size);
        if (p != nullptr) ++host->live;
        return p;
    }
    static void Free(void* allocator, void* p) {
        Host* host = FromAllocator(allocator);
        if (p == nullptr) return;
        --host->live;
        std::free(p);
    }
    static void* AllocateArray(void* allocator, uint32_t elementSize, uint32_t count) {
        uint64_t total = static_cast<uint64_t>(elementSize) * count;
        if (total > 0x7FFFFFFFu) return nullptr;
        return Allocate(allocator, static_cast<uint32_t>(total));
    }
    static void* Reallocate(void* allocator, void* p, uint32_t size) {
        Host* host = FromAllocator(allocator);
        if (++host->requests == host->refuseAt) return nullptr;
        void* q = std::realloc(p, size == 0 ? 1 : size);
        if (q != nullptr && p == nullptr) ++host->live;
        return q;
    }
    static int32_t Read(void* block, void* buffer, uint32_t maxBytes) {
        Host* host = FromStream(block);
        size_t at = std::min(host->position, host->input.size());
        size_t n = std::min<size_t>(maxBytes, host->input.size() - at);
        std::memcpy(buffer, host->input.data() + at, n);
        host->position = at + n;
        return static_cast<int32_t>(n);
    }
    static int32_t Seek(void* block, int32_t offset, int32_t whence) {
        Host* host = FromStream(block);
        host->streamLog += "S" + std::to_string(offset) + "," + std::to_string(whence) + ";";
        int64_t base = whence == 2 ? static_cast<int64_t>(host->input.size()) : 0;
        if (whence == 1) base = static_cast<int64_t>(host->position);
        if (base + offset < 0) return -1;
        host->position = static_cast<size_t>(base + offset);
        return 0;
    }
    static int32_t Tell(void* block) {
        Host* host = FromStream(block);
        host->streamLog += "T;";
        return static_cast<int32_t>(host->position);
    }
    static int32_t Callback(void* handle, int32_t code, void* record) {
        auto* host = static_cast<Host*>(handle);
        if (code == MIF_HOST_REGISTER_CALLBACKS) {
            ++host->registrations;
            host->objectRecord.assign(static_cast<uint8_t*>(record), static_cast<uint8_t*>(record) + MIF_OC_SIZE);
            return 0;
        }
        if (code == MIF_HOST_FONT_QUERY) {
            FontQuery query;
            std::memcpy(query.record, record, MIF_LOGFONT_SIZE);
            host->fontQueries.push_back(query);
            const char* face = reinterpret_cast<const char*>(query.record) + MIF_LOGFONT_FACE_NAME_OFFSET;
            std::string name(face, strnlen(face, MIF_LOGFONT_FACE_NAME_SIZE));
            auto it = std::find(host->fontNames.begin(), host->fontNames.end(), name);
            if (it == host->fontNames.end()) it = host->fontNames.insert(it, name);
            return static_cast<int32_t>(it - host->fontNames.begin()) + 1;
        }
        return 0;
    }

    Exports exports_;
    std::vector<uint8_t> services_;
    std::vector<uint8_t> stream_;
};

inline uint32_t LoadU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

// One document read from start to end, written as a byte record that two
// runs can compare: per fill its status, percentage and tokens, and after a
// fill, for each frame token in it, the object data read through the
// callbacks (open, seek to the end, tell, seek to the start, read, close).
struct Transcript {
    std::string bytes;
    int32_t lastStatus = -1;
    uint32_t lastPercent = 0;
    int fills = 0;
    bool finished = false;  // the last fill reported 100 percent with status 0
    long liveAfterFree = 0;
    bool overran = false;   // a fill wrote past bufferSize
};

inline void AppendU32(std::string* out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out->push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

inline void ReadObjects(Host& host, const uint8_t* tokens, uint32_t size, std::string* out) {
    if (!host.HasObjectCallbacks()) return;
    for (uint32_t at = 0; at + MIF_TOKEN_HEADER_SIZE <= size;) {
        uint32_t length = LoadU32(tokens + at + 1);
        if (length < MIF_TOKEN_HEADER_SIZE || length > size - at) return;
        if (tokens[at] == MIF_TOKEN_FRAME) {
            std::string id(reinterpret_cast<const char*>(tokens + at + MIF_TOKEN_HEADER_SIZE),
                           strnlen(reinterpret_cast<const char*>(tokens + at + MIF_TOKEN_HEADER_SIZE),
                                   length - MIF_TOKEN_HEADER_SIZE));
            out->append("O");
            int32_t opened = host.ObjectOpen(id.c_str());
            AppendU32(out, static_cast<uint32_t>(opened));
            if (opened == 1) {
                host.ObjectSeek(0, 2);
                uint32_t dataSize = host.ObjectTell();
                host.ObjectSeek(0, 0);
                AppendU32(out, dataSize);
                std::vector<uint8_t> chunk(4096);
                uint32_t total = 0;
                for (int reads = 0; total < dataSize && reads < 4096; ++reads) {
                    uint32_t want = std::min<uint32_t>(4096, dataSize - total);
                    uint32_t got = host.ObjectRead(chunk.data(), want);
                    if (got == 0) break;
                    out->append(reinterpret_cast<const char*>(chunk.data()), got);
                    total += got;
                }
                AppendU32(out, total);
                AppendU32(out, static_cast<uint32_t>(host.ObjectClose()));
            }
        }
        at += length;
    }
}

inline Transcript ReadDocument(const Exports& exports, std::string_view document, uint32_t bufferSize = 65536,
                               int maxFills = 1000000) {
    Transcript t;
    Host host(exports);
    host.input.assign(document);
    void* ctx = host.NewContext();
    if (ctx == nullptr) return t;
    int32_t init = exports.initDoc(ctx, nullptr, static_cast<int32_t>(document.size()), host.stream());
    t.bytes.append("I");
    AppendU32(&t.bytes, static_cast<uint32_t>(init));
    const uint32_t guard = 64;
    std::vector<uint8_t> buffer(bufferSize + guard);
    while (init == MIF_STATUS_OK && t.fills < maxFills) {
        std::memset(buffer.data(), 0xA5, buffer.size());
        uint32_t written = 0xFFFFFFFFu, percent = 0xFFFFFFFFu;
        t.lastStatus = exports.fillBuffer(ctx, buffer.data(), &written, &percent, bufferSize);
        ++t.fills;
        for (uint32_t i = bufferSize; i < bufferSize + guard; ++i) t.overran |= buffer[i] != 0xA5;
        t.bytes.append("F");
        AppendU32(&t.bytes, static_cast<uint32_t>(t.lastStatus));
        AppendU32(&t.bytes, percent);
        AppendU32(&t.bytes, written);
        if (t.lastStatus == MIF_STATUS_SETUP_FAILED || written > bufferSize) break;
        t.bytes.append(reinterpret_cast<const char*>(buffer.data()), written);
        ReadObjects(host, buffer.data(), written, &t.bytes);
        t.lastPercent = percent;
        if (t.lastStatus != MIF_STATUS_OK || percent >= 100) break;
    }
    t.finished = t.lastStatus == MIF_STATUS_OK && t.lastPercent >= 100;
    AppendU32(&t.bytes, static_cast<uint32_t>(host.fontQueries.size()));
    for (const FontQuery& q : host.fontQueries) t.bytes.append(reinterpret_cast<const char*>(q.record), sizeof q.record);
    exports.freeContext(ctx);
    t.liveAfterFree = host.live;
    return t;
}

inline bool ReadFile(const std::string& path, std::string* out) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return false;
    out->clear();
    char chunk[65536];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) out->append(chunk, n);
    bool ok = std::ferror(f) == 0;
    std::fclose(f);
    return ok;
}

inline bool WriteFile(const std::string& path, const std::string& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace modhost
