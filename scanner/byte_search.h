// Searches over the input window for the bytes that need attention, 16 at a
// time with SSE2 (present on every x86-64 machine) and byte by byte
// elsewhere. The window is followed by slack (kWindowSlack), so a load of up
// to 32 bytes at any position up to windowEnd stays inside the context; what
// lies at or past `end` is masked out of every answer.
#pragma once

#include <bit>
#include <cstdint>

// MIF_BYTEWISE builds the byte-by-byte searches on x86-64 too, to check them.
#if (defined(__SSE2__) || defined(_M_X64)) && !defined(MIF_BYTEWISE)
#include <emmintrin.h>
#define MIF_HAVE_SSE2 1
#endif

namespace mif {

// Whitespace as isspace() sees it in the "C" locale.
inline bool IsSpace(char c) {
    return c == ' ' || (static_cast<unsigned char>(c) - 9u) <= 4u;
}

inline bool IsLineEndByte(char c) { return c == '\n' || c == '\r'; }
inline bool IsKeywordEnd(char c) { return IsSpace(c) || c == '>'; }
inline bool IsValueStop(char c) { return c == '`' || c == '#' || c == '>' || c == '<' || c == 'd' || c == 'i'; }

#if MIF_HAVE_SSE2

namespace bytes {

inline __m128i Load(const char* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
inline __m128i Splat(char c) { return _mm_set1_epi8(c); }
inline __m128i Eq(__m128i v, char c) { return _mm_cmpeq_epi8(v, Splat(c)); }
inline __m128i Spaces(__m128i v) {
    // 9..13 become -128..-124, the only bytes below -123 as signed.
    __m128i control = _mm_add_epi8(v, Splat(static_cast<char>(0x80 - 9)));
    return _mm_or_si128(_mm_cmplt_epi8(control, Splat(-123)), Eq(v, ' '));
}
inline uint32_t Bits(__m128i mask) { return static_cast<uint32_t>(_mm_movemask_epi8(mask)); }

// The classes of bytes the scanner stops at, as byte masks.
inline __m128i KeywordEnds(__m128i v) { return _mm_or_si128(Spaces(v), Eq(v, '>')); }
inline __m128i LineEnds(__m128i v) { return _mm_or_si128(Eq(v, '\n'), Eq(v, '\r')); }
inline __m128i ValueStops(__m128i v) {
    // '<' and '>' differ only in bit 1, '`' and 'd' only in bit 2: one
    // comparison each, after setting that bit.
    __m128i angle = _mm_cmpeq_epi8(_mm_or_si128(v, Splat(2)), Splat('>'));
    __m128i quoteOrD = _mm_cmpeq_epi8(_mm_or_si128(v, Splat(4)), Splat('d'));
    __m128i rest = _mm_or_si128(Eq(v, '#'), Eq(v, 'i'));
    return _mm_or_si128(_mm_or_si128(angle, quoteOrD), rest);
}

// The first position from p whose 16-byte block gives a set bit in
// match(block), or end. match returns one bit per byte, the first byte in bit 0.
template <typename Match>
inline char* FindFirst(char* p, const char* end, Match match) {
    while (p < end) {
        uint32_t bits = match(Load(p));
        if (bits != 0) {
            // A match at or past end lies in the slack: there is none before end.
            char* hit = p + std::countr_zero(bits);
            return hit < end ? hit : const_cast<char*>(end);
        }
        p += 16;
    }
    return const_cast<char*>(end);
}

}  // namespace bytes

// First byte in [p, end) that is not whitespace, or end.
inline char* SkipSpaces(char* p, const char* end) {
    return bytes::FindFirst(p, end, [](__m128i v) { return bytes::Bits(bytes::Spaces(v)) ^ 0xFFFFu; });
}

// First line feed or carriage return in [p, end), or end.
inline char* FindLineEnd(char* p, const char* end) {
    return bytes::FindFirst(p, end, [](__m128i v) { return bytes::Bits(bytes::LineEnds(v)); });
}

// First whitespace or '>' in [p, end): the end of a keyword.
inline char* FindKeywordEnd(char* p, const char* end) {
    return bytes::FindFirst(p, end, [](__m128i v) { return bytes::Bits(bytes::KeywordEnds(v)); });
}

// First byte of a value outside a string that may end or interrupt it: a
// backquote, '#', '>', '<', or the 'd' / 'i' of a macro statement.
inline char* FindValueStop(char* p, const char* end) {
    return bytes::FindFirst(p, end, [](__m128i v) { return bytes::Bits(bytes::ValueStops(v)); });
}

// First occurrence of c in [p, end), or end.
inline char* FindByte(char* p, const char* end, char c) {
    __m128i needle = bytes::Splat(c);
    return bytes::FindFirst(p, end, [needle](__m128i v) { return bytes::Bits(_mm_cmpeq_epi8(v, needle)); });
}

// First NUL in [p, end), or end; quick for the short runs of keywords.
inline char* FindFirstNul(char* p, const char* end) {
    if (end - p <= 16) {
        uint32_t bits = bytes::Bits(bytes::Eq(bytes::Load(p), '\0'));
        bits &= (1u << (end - p)) - 1;
        return bits != 0 ? p + std::countr_zero(bits) : const_cast<char*>(end);
    }
    return FindByte(p, end, '\0');
}

namespace bytes {

// Of the 32 bytes at at, the bits of the first n (all when n is 32 or more).
inline uint32_t Before(const char* at, const char* end) {
    const auto n = static_cast<uint32_t>(end - at);
    return n >= 32 ? ~0u : (1u << n) - 1;
}

template <typename Class>
inline uint32_t Bits32(__m128i a, __m128i b, Class of) { return Bits(of(a)) | Bits(of(b)) << 16; }

// The first byte in [p, end) with a bit in bits (bits for the 32 bytes at
// base), or search(p, end) for what lies past them (end when they reach it).
template <typename Search>
inline char* NextIn(char* base, uint32_t bits, char* p, const char* end, Search search) {
    const auto offset = static_cast<uint32_t>(p - base);
    if (offset < 32) {
        bits &= ~0u << offset;
        if (bits != 0) return base + std::countr_zero(bits);
        p = base + 32;
    }
    return search(p, end);
}

inline char* FindClose(char* p, const char* end) { return FindByte(p, end, '>'); }

}  // namespace bytes

// 32 bytes from base, loaded once; a class's bits are made from them on
// demand, bytes at or past end getting none.
class Classified32 {
protected:
    Classified32(char* at, const char* end)
        : base_(at), low_(bytes::Load(at)), high_(bytes::Load(at + 16)), before_(bytes::Before(at, end)) {}

    template <typename Class>
    uint32_t Mask(Class of) const {
        return bytes::Bits32(low_, high_, of) & before_;
    }
    uint32_t NonSpaces() const {
        return ~bytes::Bits32(low_, high_, [](__m128i v) { return bytes::Spaces(v); }) & before_;
    }
    template <typename Search>
    char* Next(uint32_t bits, char* p, const char* end, Search search) const {
        return bytes::NextIn(base_, bits, p, end, search);
    }

private:
    char* base_;
    __m128i low_, high_;
    uint32_t before_;
};

// The 32 bytes after a statement's '<' classified at once: its keyword's
// end, its value's stops and the blanks after it mostly lie among them, and
// all the searches then start from one load instead of each waiting on the
// one before. Past the 32 bytes the searches go on as usual.
class Lookahead : Classified32 {
public:
    // at lies at or before end.
    Lookahead(char* at, const char* end)
        : Classified32(at, end),
          keywordEnds_(Mask([](__m128i v) { return bytes::KeywordEnds(v); })),
          valueStops_(Mask([](__m128i v) { return bytes::ValueStops(v); })),
          nonSpaces_(NonSpaces()),
          closes_(Mask([](__m128i v) { return bytes::Eq(v, '>'); })) {}

    char* KeywordEnd(char* p, const char* end) const { return Next(keywordEnds_, p, end, FindKeywordEnd); }
    char* ValueStop(char* p, const char* end) const { return Next(valueStops_, p, end, FindValueStop); }
    char* NonSpace(char* p, const char* end) const { return Next(nonSpaces_, p, end, SkipSpaces); }
    char* Close(char* p, const char* end) const { return Next(closes_, p, end, bytes::FindClose); }

private:
    uint32_t keywordEnds_, valueStops_, nonSpaces_, closes_;
};

// The same for blanks and comments: the blanks after a close, a comment's
// line end (classified only when asked for) and the blanks after it.
class CommentLookahead : Classified32 {
public:
    CommentLookahead(char* at, const char* end) : Classified32(at, end), nonSpaces_(NonSpaces()) {}

    char* LineEnd(char* p, const char* end) const {
        return Next(Mask([](__m128i v) { return bytes::LineEnds(v); }), p, end, FindLineEnd);
    }
    char* NonSpace(char* p, const char* end) const { return Next(nonSpaces_, p, end, SkipSpaces); }

private:
    uint32_t nonSpaces_;
};

#else  // byte by byte

inline char* SkipSpaces(char* p, const char* end) {
    while (p < end && IsSpace(*p)) ++p;
    return p;
}

inline char* FindLineEnd(char* p, const char* end) {
    while (p < end && !IsLineEndByte(*p)) ++p;
    return p;
}

inline char* FindKeywordEnd(char* p, const char* end) {
    while (p < end && !IsKeywordEnd(*p)) ++p;
    return p;
}

inline char* FindValueStop(char* p, const char* end) {
    while (p < end && !IsValueStop(*p)) ++p;
    return p;
}

inline char* FindByte(char* p, const char* end, char c) {
    while (p < end && *p != c) ++p;
    return p;
}

inline char* FindFirstNul(char* p, const char* end) { return FindByte(p, end, '\0'); }

struct Lookahead {
    Lookahead(char*, const char*) {}
    char* KeywordEnd(char* p, const char* end) const { return FindKeywordEnd(p, end); }
    char* ValueStop(char* p, const char* end) const { return FindValueStop(p, end); }
    char* NonSpace(char* p, const char* end) const { return SkipSpaces(p, end); }
    char* Close(char* p, const char* end) const { return FindByte(p, end, '>'); }
};

struct CommentLookahead {
    CommentLookahead(char*, const char*) {}
    char* LineEnd(char* p, const char* end) const { return FindLineEnd(p, end); }
    char* NonSpace(char* p, const char* end) const { return SkipSpaces(p, end); }
};

#endif

}  // namespace mif
