#include "core/cp1250.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace kalvo {
namespace {

constexpr std::array<char16_t, 128> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0083, 0x201E, 0x2026, 0x2020, 0x2021, 0x0088, 0x2030, 0x0160, 0x2039, 0x015A,
    0x0164, 0x017D, 0x0179, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x0098, 0x2122,
    0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A, 0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6,
    0x00A7, 0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B, 0x00B0, 0x00B1, 0x02DB, 0x0142,
    0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C, 0x0154,
    0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7, 0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD,
    0x00CE, 0x010E, 0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7, 0x0158, 0x016E, 0x00DA,
    0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF, 0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F, 0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4,
    0x0151, 0x00F6, 0x00F7, 0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
};

struct Reverse {
    char16_t code;
    std::uint8_t byte;
};

constexpr std::array<Reverse, 128> MakeReverse() {
    std::array<Reverse, 128> r{};
    for (std::size_t i = 0; i < r.size(); ++i) r[i] = Reverse{kHigh[i], static_cast<std::uint8_t>(0x80 + i)};
    std::sort(r.begin(), r.end(), [](const Reverse& a, const Reverse& b) { return a.code < b.code; });
    return r;
}

constexpr std::array<Reverse, 128> kReverse = MakeReverse();

// Latin-1 and Latin Extended-A, where every letter of the languages the code page serves lies, looked up
// directly; 0 where the code page has no byte for the character.
constexpr std::array<std::uint8_t, 0x180> MakeLatin() {
    std::array<std::uint8_t, 0x180> t{};
    for (std::size_t i = 0; i < kHigh.size(); ++i)
        if (kHigh[i] < t.size()) t[kHigh[i]] = static_cast<std::uint8_t>(0x80 + i);
    return t;
}

constexpr std::array<std::uint8_t, 0x180> kLatin = MakeLatin();

std::optional<std::uint8_t> ToByte(char32_t c) {
    if (c < 0x80) return static_cast<std::uint8_t>(c);
    if (c < kLatin.size()) return kLatin[c] != 0 ? std::optional<std::uint8_t>(kLatin[c]) : std::nullopt;
    if (c > 0xFFFF) return std::nullopt;
    const auto it =
        std::lower_bound(kReverse.begin(), kReverse.end(), c, [](const Reverse& r, char32_t v) { return r.code < v; });
    if (it != kReverse.end() && it->code == c) return it->byte;
    return std::nullopt;
}

constexpr char32_t FromByte(std::uint8_t b) { return b < 0x80 ? b : kHigh[b - 0x80]; }

// Every byte's UTF-8 form, made once.
struct Utf8Form {
    std::uint8_t size;
    char bytes[3];
};

constexpr std::array<Utf8Form, 256> MakeHighUtf8() {
    std::array<Utf8Form, 256> t{};
    for (std::size_t b = 0; b < t.size(); ++b) {
        const char32_t c = FromByte(static_cast<std::uint8_t>(b));
        if (c < 0x80) {
            t[b] = Utf8Form{1, {static_cast<char>(c), 0, 0}};
        } else if (c < 0x800) {
            t[b] = Utf8Form{2, {static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F)), 0}};
        } else {
            t[b] = Utf8Form{3,
                            {static_cast<char>(0xE0 | (c >> 12)), static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
                             static_cast<char>(0x80 | (c & 0x3F))}};
        }
    }
    return t;
}

constexpr std::array<Utf8Form, 256> kHighUtf8 = MakeHighUtf8();

// Upper case of a code-page byte as the Windows-1250 locale sees it.
std::uint8_t UpperByte(std::uint8_t b) {
    if (b >= 'a' && b <= 'z') return static_cast<std::uint8_t>(b - 32);
    switch (b) {
        case 0x9A:
            return 0x8A;  // š
        case 0x9C:
            return 0x8C;  // ś
        case 0x9D:
            return 0x8D;  // ť
        case 0x9E:
            return 0x8E;  // ž
        case 0x9F:
            return 0x8F;  // ź
        case 0xB3:
            return 0xA3;  // ł
        case 0xB9:
            return 0xA5;  // ą
        case 0xBA:
            return 0xAA;  // ş
        case 0xBE:
            return 0xBC;  // ľ
        case 0xBF:
            return 0xAF;  // ż
        default:
            break;
    }
    if (b >= 0xE0 && b <= 0xFE && b != 0xF7) return static_cast<std::uint8_t>(b - 0x20);
    return b;
}

}  // namespace

bool NextCodePoint(std::string_view s, std::size_t& pos, char32_t& out) {
    if (pos >= s.size()) return false;
    const auto b0 = static_cast<unsigned char>(s[pos]);
    int len = 0;
    char32_t c = 0;
    if (b0 < 0x80) {
        out = b0;
        ++pos;
        return true;
    }
    if ((b0 & 0xE0) == 0xC0) {
        len = 2;
        c = b0 & 0x1F;
    } else if ((b0 & 0xF0) == 0xE0) {
        len = 3;
        c = b0 & 0x0F;
    } else if ((b0 & 0xF8) == 0xF0) {
        len = 4;
        c = b0 & 0x07;
    } else {
        out = 0xFFFD;
        ++pos;
        return false;
    }
    if (pos + static_cast<std::size_t>(len) > s.size()) {
        out = 0xFFFD;
        pos = s.size();
        return false;
    }
    for (int k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(s[pos + static_cast<std::size_t>(k)]);
        if ((b & 0xC0) != 0x80) {
            out = 0xFFFD;
            pos += static_cast<std::size_t>(k);
            return false;
        }
        c = (c << 6) | (b & 0x3F);
    }
    const bool overlong = (len == 2 && c < 0x80) || (len == 3 && c < 0x800) || (len == 4 && c < 0x10000);
    pos += static_cast<std::size_t>(len);
    if (overlong || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        out = 0xFFFD;
        return false;
    }
    out = c;
    return true;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::string DecodeCp1250(std::string_view bytes) {
    // Sized exactly first, so a short text stays in the string's own storage and a long one is allocated
    // once; most texts are ASCII, which is the same in both.
    std::size_t length = bytes.size();
    for (char ch : bytes) length += kHighUtf8[static_cast<std::uint8_t>(ch)].size - 1u;
    std::string out(length, '\0');
    if (length == bytes.size()) {
        if (length > 0) std::memcpy(out.data(), bytes.data(), length);
        return out;
    }
    char* at = out.data();
    for (std::size_t pos = 0; pos < bytes.size();) {
        std::size_t run = pos;
        while (run < bytes.size() && static_cast<std::uint8_t>(bytes[run]) < 0x80) ++run;
        std::memcpy(at, bytes.data() + pos, run - pos);
        at += run - pos;
        if (run == bytes.size()) break;
        const Utf8Form& form = kHighUtf8[static_cast<std::uint8_t>(bytes[run])];
        std::memcpy(at, form.bytes, form.size);
        at += form.size;
        pos = run + 1;
    }
    return out;
}

std::optional<std::string> EncodeCp1250(std::string_view utf8, Cp1250Error* error) {
    std::string out;
    if (!AppendCp1250(out, utf8, error)) return std::nullopt;
    return out;
}

bool AppendCp1250(std::string& out, std::string_view utf8, Cp1250Error* error) {
    const std::size_t before = out.size();
    out.resize(before + utf8.size());
    std::size_t length = 0;
    const bool encoded = EncodeCp1250Into(utf8, out.data() + before, length, error);
    out.resize(before + length);
    return encoded;
}

bool EncodeCp1250Into(std::string_view utf8, char* out, std::size_t& length, Cp1250Error* error) {
    std::size_t pos = 0;
    length = 0;
    while (pos < utf8.size()) {
        // ASCII other than NUL is the same byte in both: it goes across in runs (a save of a long list
        // spends much of its time here).
        std::size_t run = pos;
        while (run < utf8.size() && static_cast<unsigned char>(utf8[run]) - 1u < 0x7Fu) ++run;
        if (run > pos) {
            std::memcpy(out + length, utf8.data() + pos, run - pos);
            length += run - pos;
            pos = run;
            continue;
        }
        // Two-byte characters, which hold every accented letter of the code page, are read here directly.
        const auto lead = static_cast<unsigned char>(utf8[pos]);
        if ((lead & 0xE0) == 0xC0 && lead >= 0xC2 && pos + 1 < utf8.size() &&
            (static_cast<unsigned char>(utf8[pos + 1]) & 0xC0) == 0x80) {
            const char32_t c = (char32_t{lead & 0x1Fu} << 6) | (static_cast<unsigned char>(utf8[pos + 1]) & 0x3Fu);
            if (c < kLatin.size() && kLatin[c] != 0) {
                out[length++] = static_cast<char>(kLatin[c]);
                pos += 2;
                continue;
            }
        }
        const std::size_t start = pos;
        char32_t c = 0;
        const bool wellFormed = NextCodePoint(utf8, pos, c);
        const auto byte = wellFormed && c != 0 ? ToByte(c) : std::nullopt;
        if (!byte) {
            if (error) *error = Cp1250Error{start, wellFormed ? c : char32_t{0xFFFD}};
            return false;
        }
        out[length++] = static_cast<char>(*byte);
    }
    return true;
}

bool Cp1250CanHold(char32_t c) { return c != 0 && ToByte(c).has_value(); }

std::string UpperFirstCp1250(std::string_view utf8) {
    std::size_t pos = 0;
    char32_t c = 0;
    if (!NextCodePoint(utf8, pos, c)) return std::string(utf8);
    const auto byte = ToByte(c);
    if (!byte) return std::string(utf8);
    std::string out;
    AppendUtf8(out, FromByte(UpperByte(*byte)));
    out.append(utf8.substr(pos));
    return out;
}

}  // namespace kalvo
