// The six exported entry points and the context's lifecycle.
#include <cstring>

#include "formats/formats.h"
#include "formats/tab_arrays.h"
#include "frames/frames.h"
#include "mifreader/mifreader.h"
#include "reader/context.h"
#include "reader/fill.h"
#include "reader/host_services.h"
#include "scanner/statement_stack.h"
#include "tables/tables.h"
#include "text/text.h"
#include "variables/variables.h"

#if defined(_WIN32)
#include <windows.h>
#endif

using namespace mif;

namespace {

void BuildObjectCallbackRecord(ReaderContext* ctx, void** record) {
    std::memset(record, 0, MIF_OC_SIZE);
    const uint32_t header[2] = {3, 5};
    std::memcpy(&record[MIF_OC_SLOT_HEADER], header, sizeof header);
    const int64_t minusOne = -1;
    std::memcpy(&record[MIF_OC_SLOT_MINUS_ONE], &minusOne, sizeof minusOne);
    record[MIF_OC_SLOT_CONTEXT] = ctx;
    FillObjectCallbacks(record);
}

}  // namespace

extern "C" {

MIF_API void mifGetReaderInterface(void** table) {
    if (table == nullptr) return;
    for (int i = 0; i < MIF_INTERFACE_SLOTS; ++i) table[i] = nullptr;
    table[MIF_SLOT_ALLOCATE_CONTEXT] = reinterpret_cast<void*>(&mifAllocateContext);
    table[MIF_SLOT_FREE_CONTEXT] = reinterpret_cast<void*>(&mifFreeContext);
    table[MIF_SLOT_INIT_DOC] = reinterpret_cast<void*>(&mifInitDoc);
    table[MIF_SLOT_FILL_BUFFER] = reinterpret_cast<void*>(&mifFillBuffer);
    table[MIF_SLOT_CHARSET] = reinterpret_cast<void*>(&mifCharSet);
}

MIF_API void* mifAllocateContext(void* hostHandle, MifHostCallback hostCallback, uint32_t* outFlag, void* services,
                                 uint32_t /*hostTag*/) {
    if (outFlag != nullptr) *outFlag = 1;
    if (services == nullptr) return nullptr;
    ReaderContext probe{};
    probe.services = static_cast<uint8_t*>(services);
    auto* ctx = static_cast<ReaderContext*>(HostAllocate(&probe, sizeof(ReaderContext)));
    if (ctx == nullptr) return nullptr;
    std::memset(static_cast<void*>(ctx), 0, sizeof(ReaderContext));
    ctx->services = static_cast<uint8_t*>(services);
    ctx->hostHandle = hostHandle;
    ctx->hostCallback = hostCallback;
    return ctx;
}

MIF_API int32_t mifInitDoc(void* context, void* /*reserved*/, int32_t inputSize, void* stream) {
    auto* ctx = static_cast<ReaderContext*>(context);
    if (ctx == nullptr || stream == nullptr) return MIF_STATUS_SETUP_FAILED;
    ctx->stream = static_cast<uint8_t*>(stream);
    ctx->firstCall = 1;
    if (inputSize <= 0) {
        StreamSeek(ctx, 0, 2);
        inputSize = StreamTell(ctx);
        StreamSeek(ctx, 0, 0);
        if (inputSize < 0) inputSize = 0;
    }
    ctx->inputSize = inputSize;

    ctx->pageWidth = 12240;
    ctx->pageHeight = 15840;
    ctx->topMargin = 1440;
    ctx->bottomMargin = 1440;
    ctx->current.leftIndent = 1440;
    ctx->current.rightIndent = 1440;
    const uint32_t spacing[4] = {30, 60, 30, 60};
    std::memcpy(ctx->tableSpacing, spacing, sizeof spacing);

    void* record[MIF_OC_SLOTS];
    BuildObjectCallbackRecord(ctx, record);
    if (ctx->hostCallback != nullptr) ctx->hostCallback(ctx->hostHandle, MIF_HOST_REGISTER_CALLBACKS, record);

    return MIF_STATUS_OK;
}

MIF_API int32_t mifFillBuffer(void* context, uint8_t* buffer, uint32_t* outBytesWritten, uint32_t* outPercent,
                              uint32_t bufferSize) {
    auto* ctx = static_cast<ReaderContext*>(context);
    if (ctx == nullptr || ctx->stream == nullptr || buffer == nullptr || outBytesWritten == nullptr ||
        outPercent == nullptr) {
        return MIF_STATUS_SETUP_FAILED;
    }
    return FillBuffer(ctx, buffer, outBytesWritten, outPercent, bufferSize);
}

MIF_API int32_t mifFreeContext(void* context) {
    auto* ctx = static_cast<ReaderContext*>(context);
    if (ctx == nullptr) return MIF_STATUS_SETUP_FAILED;
    FreeParagraphCatalog(ctx);
    FreeVariableCatalog(ctx);
    FreeTableList(ctx);
    FreeStatementFrames(ctx);
    FreeFontCatalog(ctx);
    FreeBodyTextRects(ctx);
    ReleaseTabArrays(ctx, ctx->current);
    ReleaseTabArrays(ctx, ctx->lastEmitted);
    FreeFrameList(ctx);
    HostFree(ctx, ctx);
    return MIF_STATUS_OK;
}

MIF_API int32_t mifCharSet(void) { return MIF_CHARSET; }

}  // extern "C"

#if defined(_WIN32)
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
    if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
    return TRUE;
}
#endif
