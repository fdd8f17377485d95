// The "<MIFFile n.nn>" header that every MIF document opens with.
#include <cstdlib>
#include <cstring>

#include "scanner/scan_window.h"
#include "text/text.h"

namespace mif {

int ReadMifHeader(ReaderContext* ctx) {
    char* start = ctx->scanPointer;
    char* end = ctx->windowEnd;
    if (end - start < 8 || std::memcmp(start, "<MIFFile", 8) != 0) return 0;
    *end = '\0';  // the window keeps a spare byte for this
    char* close = static_cast<char*>(std::memchr(start, '>', static_cast<size_t>(end - start)));
    if (close == nullptr) return 0;

    char* p = start + 8;
    while (p < end && IsSpace(*p)) ++p;
    (void)std::atof(p);  // the version; no version is refused

    p = close + 1;
    while (p < end && IsSpace(*p)) ++p;
    if (p < end && *p == '#') {
        ++p;
        while (p < end && IsSpace(*p) && !IsLineEndByte(*p)) ++p;
        while (p < end && !IsLineEndByte(*p)) ++p;
        if (p < end) {
            ++p;
            if (p < end && IsLineEndByte(*p)) ++p;
        }
        while (p < end && IsSpace(*p)) ++p;
    }
    ctx->bytesConsumed += static_cast<int32_t>(p - start);
    ctx->scanPointer = p;
    return 1;
}

int HandleMIFFile(ReaderContext* ctx, StatementFrame*) { return ReadMifHeader(ctx); }

}  // namespace mif
