// Documents with anchored frames, and a host-side driver of the object
// callbacks that calls them through the host's copy of the registered record.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "support/test_host.h"

namespace framestest {

inline std::string Document(const std::string& pad, const std::string& frames, const std::string& anchors) {
    return "<MIFFile 5.00>\n" + pad + "<AFrames\n" + frames + "> # end of AFrames\n<TextFlow\n <Para\n  <ParaLine\n" +
           anchors + "  >\n >\n>\n";
}

// A frame whose ImportObject carries the given facet lines (each ending in a
// line feed) before its end line.
inline std::string FrameWithFacets(const std::string& id, const std::string& facets,
                                   const std::string& shapeRect = "  1.0\" 2.0\" 3.0\" 0.5\"") {
    return " <Frame\n  <ID " + id + ">\n  <ShapeRect" + shapeRect + ">\n  <ImportObject \n   <Unique 7>\n" + facets +
           "=EndInset\n  > # end of ImportObject\n > # end of Frame\n";
}

inline std::string Anchor(const std::string& id) { return "   <AFrame " + id + ">\n"; }

// Calls the callbacks as a host would, with its copy of the record.
class ObjectClient {
public:
    explicit ObjectClient(testhost::TestHost& host) : host_(host) {}

    int32_t Open(const std::string& idText) {
        idText_ = idText;
        const char* p = idText_.c_str();
        std::memcpy(Record() + 8 * MIF_OC_SLOT_ID_TEXT, &p, sizeof p);
        return Slot<MifObjectOpenFn>(MIF_OC_SLOT_OPEN)(Record());
    }
    // The bytes a read delivered; the whole buffer stays in lastBuffer.
    std::vector<uint8_t> Read(uint32_t count) {
        lastBuffer.assign(count + 8, 0xAA);
        uint32_t n = Slot<MifObjectReadFn>(MIF_OC_SLOT_READ)(Record(), lastBuffer.data(), count);
        lastResult = n;
        return std::vector<uint8_t>(lastBuffer.begin(), lastBuffer.begin() + std::min(n, count));
    }
    int32_t Seek(int32_t offset, uint32_t origin) {
        return Slot<MifObjectSeekFn>(MIF_OC_SLOT_SEEK)(Record(), offset, origin);
    }
    uint32_t Tell() { return Slot<MifObjectTellFn>(MIF_OC_SLOT_TELL)(Record()); }
    int32_t Close() { return Slot<MifObjectCloseFn>(MIF_OC_SLOT_CLOSE)(Record()); }

    // Everything from the read cursor on, in reads of chunk bytes.
    std::vector<uint8_t> ReadAll(uint32_t chunk = 64) {
        std::vector<uint8_t> all;
        for (int guard = 0; guard < 1000000; ++guard) {
            std::vector<uint8_t> part = Read(chunk);
            all.insert(all.end(), part.begin(), part.end());
            if (part.size() < chunk) break;
        }
        return all;
    }

    uint8_t* Record() { return host_.objectCallbacks.data(); }

    std::vector<uint8_t> lastBuffer;
    uint32_t lastResult = 0;

private:
    template <typename Fn>
    Fn Slot(int slot) {
        Fn fn;
        std::memcpy(&fn, Record() + 8 * slot, sizeof fn);
        return fn;
    }

    testhost::TestHost& host_;
    std::string idText_;
};

inline std::vector<testhost::Token> FrameTokens(const std::vector<uint8_t>& bytes) {
    std::vector<testhost::Token> frames;
    for (const testhost::Token& t : testhost::SplitTokens(bytes)) {
        if (t.code == MIF_TOKEN_FRAME) frames.push_back(t);
    }
    return frames;
}

inline std::vector<uint8_t> Bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

// A first facet of `lines` hexadecimal lines of `perLine` bytes each, with
// the bytes it stands for in *bytes.
inline std::string HexFacet(int lines, int perLine, std::string* bytes) {
    std::string facets = "=GIF\n&%v\n&\\x\n";
    for (int line = 0; line < lines; ++line) {
        facets += "&";
        for (int i = 0; i < perLine; ++i) {
            uint8_t b = static_cast<uint8_t>(line * 7 + i * 3);
            char hex[3];
            std::snprintf(hex, sizeof hex, (line & 1) ? "%02x" : "%02X", b);
            facets += hex;
            bytes->push_back(static_cast<char>(b));
        }
        facets += "\n";
    }
    return facets + "&\\x\n";
}

}  // namespace framestest
