// Escaping shared by the converters.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace mifconvert {

// Text for HTML element content and quoted attribute values: & < > " '.
std::string HtmlEscape(std::string_view text);
// A relative path as a URL: every byte but letters, digits, "-._~" and "/"
// percent-encoded.
std::string UrlPath(std::string_view path);
// A name as a CSS string literal in double quotes, safe inside an HTML
// attribute: everything but letters, digits, blank, "-" and "_" as a hex
// escape.
std::string CssString(std::string_view name);
std::string Base64(std::span<const uint8_t> data);
// "#RRGGBB" from 0x00BBGGRR.
std::string HexColor(uint32_t bgr);
// Twips as points, with at most two decimals: "36", "12.5".
std::string Points(int64_t twips);

}  // namespace mifconvert
