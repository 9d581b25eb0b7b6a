#pragma once
// Windows-1250, the code page of every text in the program's files. Memory holds UTF-8; the five
// bytes the code page leaves undefined (0x81, 0x83, 0x88, 0x90, 0x98) stand for the control
// characters of the same value, so every byte read is written back unchanged.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kalvo {

std::string DecodeCp1250(std::string_view bytes);

struct Cp1250Error {
    std::size_t offset = 0;  // byte offset of the offending character in the UTF-8 input
    char32_t character = 0;  // the character, or U+FFFD for malformed UTF-8
};

// Fails on a character the code page cannot hold, on U+0000 (a zero byte ends a text on reading)
// and on malformed UTF-8.
std::optional<std::string> EncodeCp1250(std::string_view utf8, Cp1250Error* error = nullptr);
// The same, appending to `out`; on failure `out` holds a partial text.
bool AppendCp1250(std::string& out, std::string_view utf8, Cp1250Error* error = nullptr);
// The same, into `out`, which has room for utf8.size() bytes: no character takes more in the code page.
// `length` is the number of bytes written.
bool EncodeCp1250Into(std::string_view utf8, char* out, std::size_t& length, Cp1250Error* error = nullptr);

bool Cp1250CanHold(char32_t c);

// The first character in upper case by the code page's rules (š becomes Š); other text unchanged.
std::string UpperFirstCp1250(std::string_view utf8);

// UTF-8 helpers shared by the codecs and the command-line tool.
bool NextCodePoint(std::string_view utf8, std::size_t& pos, char32_t& out);
void AppendUtf8(std::string& out, char32_t c);

}  // namespace kalvo
