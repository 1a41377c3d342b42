#include "host/ButtonBitmapBlob.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace kerfmax {

namespace {

// A craft knife, top row first: blade up right, collar, handle down left.
constexpr std::array<std::string_view, 16> kKnifePicture = {
    "................",
    "............##..",
    "...........#SS#.",
    "..........#SS#..",
    ".........#SS#...",
    "........#CC#....",
    ".......#CC#.....",
    "......#HH#......",
    ".....#HH#.......",
    "....#HH#........",
    "...#HH#.........",
    "..#HH#..........",
    ".#HH#...........",
    ".#H#............",
    "..#.............",
    "................",
};

struct PaletteColour {
    char symbol;
    std::uint8_t red, green, blue;
};

// Index 0 is the host's button face colour, which it shows as transparent.
constexpr std::array<PaletteColour, 5> kPictureColours = {{
    {'.', 0xF0, 0xF0, 0xF0},
    {'#', 0x30, 0x30, 0x30},
    {'S', 0xC8, 0xCC, 0xD4},
    {'C', 0xD8, 0xA8, 0x30},
    {'H', 0x20, 0x60, 0xC0},
}};

void PutU16(std::string& out, std::uint16_t value)
{
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>(value >> 8);
}

void PutU32(std::string& out, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

void PutBitmapInfoHeader(std::string& out)
{
    PutU32(out, 40);    // header size
    PutU32(out, 16);    // width
    PutU32(out, 16);    // height: positive, so rows run bottom up
    PutU16(out, 1);     // planes
    PutU16(out, 8);     // bits per pixel
    PutU32(out, 0);     // no compression
    PutU32(out, 256);   // image size
    PutU32(out, 0);     // horizontal resolution
    PutU32(out, 0);     // vertical resolution
    PutU32(out, 256);   // colours used
    PutU32(out, 256);   // colours important
}

// The picture's colours first, a grey ramp for the unused rest.
void PutPalette(std::string& out)
{
    for (std::size_t i = 0; i < 256; ++i) {
        std::uint8_t grey = static_cast<std::uint8_t>(i);
        PaletteColour colour{'\0', grey, grey, grey};
        if (i < kPictureColours.size()) colour = kPictureColours[i];
        out += static_cast<char>(colour.blue);
        out += static_cast<char>(colour.green);
        out += static_cast<char>(colour.red);
        out += '\0';
    }
}

char PaletteIndexOf(char symbol)
{
    for (std::size_t i = 0; i < kPictureColours.size(); ++i)
        if (kPictureColours[i].symbol == symbol) return static_cast<char>(i);
    return 0;
}

void PutPixels(std::string& out)
{
    for (auto row = kKnifePicture.rbegin(); row != kKnifePicture.rend(); ++row)
        for (char symbol : *row) out += PaletteIndexOf(symbol);
}

}  // namespace

std::string ButtonBitmapRecord()
{
    std::string record;
    record += "\xFF\xFF";
    PutU16(record, 1);
    PutU16(record, 16);
    record += "WCmnUI_UIItemBmp";
    record.append(8, '\0');
    PutU32(record, 40);
    PutU32(record, 1024);
    PutU32(record, 256);
    PutBitmapInfoHeader(record);
    PutPalette(record);
    PutPixels(record);
    record += std::string_view("\xF0\xF0\xF0\x00\xA0\xA0\xA0\x00\xF0\xF0\xF0\x00\x00\x00\x00\x00", 16);
    return record;
}

std::string EncodeBase64(const std::string& bytes)
{
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        std::uint32_t chunk = static_cast<std::uint8_t>(bytes[i]) << 16;
        if (i + 1 < bytes.size()) chunk |= static_cast<std::uint8_t>(bytes[i + 1]) << 8;
        if (i + 2 < bytes.size()) chunk |= static_cast<std::uint8_t>(bytes[i + 2]);
        out += kAlphabet[(chunk >> 18) & 63];
        out += kAlphabet[(chunk >> 12) & 63];
        out += i + 1 < bytes.size() ? kAlphabet[(chunk >> 6) & 63] : '=';
        out += i + 2 < bytes.size() ? kAlphabet[chunk & 63] : '=';
    }
    return out;
}

std::string ButtonBitmapBlob()
{
    constexpr std::size_t kLineLength = 72;
    std::string encoded = EncodeBase64(ButtonBitmapRecord());
    std::string blob = encoded.substr(0, kLineLength);
    for (std::size_t at = kLineLength; at < encoded.size(); at += kLineLength)
        blob += "\n\t\t\t\t\t\t\t" + encoded.substr(at, kLineLength);
    return blob;
}

}  // namespace kerfmax
