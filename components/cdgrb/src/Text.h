#pragma once

#include <cstddef>
#include <string>

// Texts of the option records: fixed-width 8-bit fields, NUL-terminated when shorter.
namespace cdgrb {

// The text of a field: up to the first NUL, or the whole field when it has none.
std::string fieldText(const char* field, std::size_t width);

// True when the field holds a NUL, i.e. the text it carries was not cut to the field's width.
bool fieldTerminated(const char* field, std::size_t width);

// Record texts are UTF-8 when they decode as such, anything else is taken as Latin-1. When the
// text fills its field (`cutAtWidth`), a multi-byte character cut by the field's end is dropped.
// The result is valid UTF-8.
std::string toUtf8(const std::string& text, bool cutAtWidth = false);

// True when every character of a UTF-8 text is in Latin-1.
bool fitsLatin1(const std::string& utf8);

// Latin-1 bytes of a UTF-8 text; characters outside Latin-1 become '?'.
std::string toLatin1(const std::string& utf8);

// UTF-16 (host order) of a UTF-8 text, with a leading byte-order mark and a terminating 0, as
// LAME's id3tag_set_textinfo_utf16 takes it.
std::u16string toUtf16WithBom(const std::string& utf8);

} // namespace cdgrb
