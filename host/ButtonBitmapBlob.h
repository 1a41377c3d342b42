#pragma once
// The command's toolbar picture for host versions that embed it in the
// workspace file: a 16x16, 256-colour bitmap in the host's item-bitmap record,
// as base64 text laid out the way the host writes it.
#include <string>

namespace kerfmax {

// The 1378-byte record: tag, sizes, bitmap header, palette, pixels, colours.
std::string ButtonBitmapRecord();

// The record as 26 lines of base64: 72 characters on the first line, then
// for each further line a line feed, seven tabs and up to 72 characters.
std::string ButtonBitmapBlob();

// Plain base64 of any bytes, with padding.
std::string EncodeBase64(const std::string& bytes);

}  // namespace kerfmax
