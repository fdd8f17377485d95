// The read target: one fuzz input is four option bytes and a document.
//   byte 0, low four bits: the fill buffer's size, from a table that runs
//           from 0 bytes, through sizes around the header's 53 and below the
//           documented minimum, to 256 KiB (0: the minimum itself);
//   byte 0, bit 4: the stream answers -1 at the end of the input;
//   byte 1: the pattern of short reads (0: none);
//   bytes 2 and 3: the allocation to refuse, little-endian (0: none).
// The document is read by the careful host; without a refused allocation,
// and unless the buffer was too small for a statement, the tokens of the
// same feed must also equal those of a plain read with a 1 MiB buffer. That
// comparison reads no objects: opening one makes its frame the one that
// later frame statements (ShapeRect, ImportObFileDI) apply to, so where a
// document has such statements after an anchor, when the host reads its
// objects may change the tokens.
#pragma once

#include <string>

#include "fuzz/careful_host.h"

namespace mifcheck {

constexpr size_t kReadOptionBytes = 4;

// The feed the option bytes o choose for a document.
inline Feed FeedFromOptions(const uint8_t* o) {
    static const uint32_t kSizes[16] = {MIF_MIN_BUFFER_SIZE, 0, 1, 52, 53, 54, 64, 90,
                                        100, 256, 1000, 4096, 9000, 65535, 131072, 262144};
    static const std::vector<uint32_t> kPatterns[8] = {{}, {1}, {7}, {4093}, {1, 7, 4093, 0}, {4095, 2}, {13, 1}, {}};
    Feed feed;
    feed.bufferSize = kSizes[o[0] & 15];
    feed.endResult = (o[0] & 16) != 0 ? -1 : 0;
    feed.chunks = kPatterns[o[1] & 7];
    if ((o[1] & 7) == 7) feed.chunks = {static_cast<uint32_t>(o[1] >> 3) + 1};
    feed.failAt = static_cast<uint64_t>(o[2]) | static_cast<uint64_t>(o[3]) << 8;
    return feed;
}

// The first broken promise for one input of the read target; empty when none.
inline std::string CheckReadInput(const uint8_t* data, size_t size) {
    if (size < kReadOptionBytes) return "";
    const std::string_view document(reinterpret_cast<const char*>(data) + kReadOptionBytes, size - kReadOptionBytes);
    const Feed feed = FeedFromOptions(data);
    const Checked fed = Read(LinkedModule(), document, feed);
    if (!fed.problem.empty()) return fed.problem;
    if (feed.failAt != 0 || fed.run.status == MIF_STATUS_BUFFER_TOO_SMALL) return "";
    Feed quietFeed = feed;
    quietFeed.readObjects = false;
    const Checked quiet = Read(LinkedModule(), document, quietFeed);
    if (!quiet.problem.empty()) return "without object reads: " + quiet.problem;
    Feed plainFeed;
    plainFeed.bufferSize = 1u << 20;
    plainFeed.readObjects = false;
    const Checked plain = Read(LinkedModule(), document, plainFeed);
    if (!plain.problem.empty()) return "with a 1 MiB buffer: " + plain.problem;
    if (plain.run.status == MIF_STATUS_BUFFER_TOO_SMALL) return "";
    const std::vector<uint8_t>& a = quiet.run.tokens;
    const std::vector<uint8_t>& b = plain.run.tokens;
    if (quiet.run.status != plain.run.status || a != b) {
        size_t at = std::mismatch(a.begin(), a.begin() + std::min(a.size(), b.size()), b.begin()).first - a.begin();
        return "status " + std::to_string(quiet.run.status) + " and " + std::to_string(a.size()) +
               " token bytes, but status " + std::to_string(plain.run.status) + " and " + std::to_string(b.size()) +
               " with a 1 MiB buffer and plain reads; first difference at byte " + std::to_string(at);
    }
    return "";
}

}  // namespace mifcheck
