#pragma once
// Finding a file's encoding and converting between the file's bytes and the
// document text (always UTF-8), in both directions.
#include <string>
#include <string_view>

#include "xml/XmlResultLog.h"

namespace kerfmax {

// How the loaded file was stored; saving writes it back the same way.
struct XmlFileFlags {
    bool utf16LittleEndian = false;
    bool utf16BigEndian = false;
    bool utf8ByteOrderMark = false;
    bool byteOrderMark = false;  // any byte-order mark (UTF-16 found by its first "<" has none)
    bool readAsAnsi = false;  // no declared encoding and not valid UTF-8
    std::string utf16OddByte;  // a UTF-16 file's odd last byte, written back after the text
};

struct XmlDecodedText {
    std::string text;
    std::string encodingName;
    XmlFileFlags flags;
};

// The encoding named by a leading XML declaration, or, without one, by an
// HTML "meta" Content-Type charset, within the first 1024 bytes. Empty when none.
std::string DeclaredEncoding(std::string_view text);

// Bytes as read from a file to UTF-8 text. Never fails: what cannot be
// converted is replaced, and each event goes to the log.
// Takes the bytes by value so that a UTF-8 file becomes the text without a copy.
XmlDecodedText DecodeXmlBytes(std::string bytes, XmlResultLog* log);

// UTF-8 text to the bytes of the file: UTF-16 as loaded, else the encoding the
// text declares, else UTF-8, with the byte-order mark the loaded file had.
struct XmlEncodedBytes {
    std::string bytes;
    std::string encodingName;
    bool textAsIs = false;  // the text itself is the file content; `bytes` is left empty
};
XmlEncodedBytes EncodeXmlText(std::string_view text, const XmlFileFlags& flags, XmlResultLog* log);

}  // namespace kerfmax
