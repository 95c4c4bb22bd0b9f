// SPDX-License-Identifier: MIT
// The codec is checked against glibc's CP932 converter (iconv(3)), which decodes
// pairs and picks duplicate codes as Windows does but lacks the single bytes
// 0x80, 0xA0 and 0xFD..0xFF; those are checked by value.
#include "core/cp932.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <cerrno>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace soramie::cp932;

// One glibc conversion descriptor; convert() gives the converted bytes, or
// nothing when glibc rejects any part of the input.
struct Iconv {
    iconv_t cd;
    Iconv(const char* to, const char* from) : cd(iconv_open(to, from)) {}
    ~Iconv() { iconv_close(cd); }
    std::optional<std::string> convert(std::string in)
    {
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        std::string out(in.size() * 4 + 8, '\0');
        char *src = in.data(), *dst = out.data();
        std::size_t srcLeft = in.size(), dstLeft = out.size();
        if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) == static_cast<std::size_t>(-1)) return std::nullopt;
        out.resize(out.size() - dstLeft);
        return out;
    }
};

std::u16string fromUtf16le(const std::optional<std::string>& b)
{
    std::u16string s;
    for (std::size_t i = 0; b && i + 1 < b->size(); i += 2)
        s.push_back(
            static_cast<char16_t>(static_cast<unsigned char>((*b)[i]) | static_cast<unsigned char>((*b)[i + 1]) << 8));
    return s;
}

std::string bytesOf(std::initializer_list<int> v)
{
    std::string s;
    for (int b : v) s.push_back(static_cast<char>(b));
    return s;
}

// The single bytes glibc lacks, and what Windows makes of them.
const std::pair<int, char16_t> kWindowsOnly[] = {
    {0x80, u'\u0080'}, {0xA0, u'\uF8F0'}, {0xFD, u'\uF8F1'}, {0xFE, u'\uF8F2'}, {0xFF, u'\uF8F3'}};

// The code of one or two bytes, -1 for none.
int pairCode(const std::optional<std::string>& b)
{
    int code = b && !b->empty() ? 0 : -1;
    for (std::size_t i = 0; code >= 0 && i < b->size(); ++i) code = code << 8 | static_cast<unsigned char>((*b)[i]);
    return code;
}

TEST(Cp932Decode, EveryByteAndPairDecodesAsWindowsOrKeepsItsLeadByte)
{
    Iconv ref("UTF-16LE", "CP932");
    for (const auto& [b, u] : kWindowsOnly) {
        EXPECT_EQ(decode(bytesOf({b})), std::u16string(1, u)) << b;
        EXPECT_EQ(codeOf(u), b);
    }
    for (int b = 0; b < 0xFD; ++b) {
        const auto lead = static_cast<unsigned char>(b);
        if (isLeadByte(lead)) {
            EXPECT_EQ(decode(bytesOf({b})), std::u16string(1, rawByteUnit(lead))) << "lone lead " << b;
        } else if (b != 0x80 && b != 0xA0) {
            EXPECT_EQ(decode(bytesOf({b})), fromUtf16le(ref.convert(bytesOf({b})))) << b;
        }
    }
    EXPECT_EQ(decode("\\~"), u"\\~") << "backslash and tilde are not yen sign and overline";
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (!isLeadByte(static_cast<unsigned char>(lead))) continue;
        for (int trail = 0; trail < 256; ++trail) {
            SCOPED_TRACE(::testing::Message() << std::hex << lead << ' ' << trail);
            const std::string in = bytesOf({lead, trail});
            const std::u16string got = decode(in);
            std::size_t consumed = 0;
            EXPECT_EQ(decodeOne(in, consumed), got[0]);
            const std::u16string want = fromUtf16le(ref.convert(in));
            if (want.size() == 1) {
                EXPECT_EQ(got, want);
                EXPECT_EQ(consumed, 2u);
            } else {
                // The lead byte is kept as a raw unit and decoding resumes at the trail byte.
                EXPECT_EQ(got, rawByteUnit(static_cast<unsigned char>(lead)) + decode(in.substr(1)));
                EXPECT_EQ(consumed, 1u);
            }
        }
    }
    EXPECT_EQ(decode(bytesOf({0xF0, 0x40, 0xF9, 0xFC})), u"\uE000\uE757");
}

TEST(Cp932Encode, EveryUnitEncodesToTheCodeWindowsChooses)
{
    Iconv ref("CP932", "UTF-16LE");
    for (int u = 0; u <= 0xFFFF; ++u) {
        const auto unit = static_cast<char16_t>(u);
        if (u >= 0xD800 && u <= 0xDFFF) continue;
        const bool windowsOnly = u == 0x80 || (u >= 0xF8F0 && u <= 0xF8F3);
        const int want = windowsOnly ? codeOf(unit) : pairCode(ref.convert(bytesOf({u & 0xFF, u >> 8})));
        EXPECT_EQ(codeOf(unit), want) << std::hex << u;
        if (codeOf(unit) < 0) {
            EXPECT_EQ(byteLength(unit), 1);
            continue;
        }
        const EncodeResult r = encode(std::u16string(1, unit));
        EXPECT_TRUE(r.complete());
        EXPECT_EQ(pairCode(r.bytes), codeOf(unit));
        EXPECT_EQ(static_cast<int>(r.bytes.size()), byteLength(unit));
    }
}

TEST(Cp932Encode, CountsUnitsWithoutCodeAcrossAppendsAndRemembersARawLeadByte)
{
    // The index counts units of all appended texts; a non-BMP character has no
    // code even where its low surrogate lies in the raw-byte range (U+1F4A9 is D83D DCA9).
    EncodeResult r;
    encodeAppend(u"あい", r);
    encodeAppend(u"x\u00E9\U0001F4A9", r);
    EXPECT_EQ(r.bytes, "\x82\xA0\x82\xA2x???");
    EXPECT_EQ(r.firstUnencodable, 3u);
    EXPECT_EQ(r.unencodableCount, 3u);
    // A raw lead byte at the end of one append still decides the code of a
    // duplicate character in the next: EE+FA would be read back as one character.
    EncodeResult split;
    encodeAppend(decode(bytesOf({0xEE})), split);
    encodeAppend(u"ⅰ", split);
    EXPECT_EQ(split.bytes, bytesOf({0xEE, 0xEE, 0xEF}));
}

TEST(Cp932SingleSpelling, GivesBytesOnlyForTextEveryCharacterOfWhichHasOneCode)
{
    EXPECT_EQ(singleSpelling(u"aタｲ"), std::optional<std::string>("a\x83\x5E\xB2"));
    EXPECT_EQ(singleSpelling(u""), std::optional<std::string>(""));
    EXPECT_EQ(singleSpelling(u"a\u2235"), std::nullopt) << "∵ has an NEC and an IBM code";
    EXPECT_EQ(singleSpelling(u"a\u00A5"), std::nullopt) << "¥ encodes to the code of another character";
    EXPECT_EQ(singleSpelling(u"a\u00E9"), std::nullopt) << "é has no code";
    EXPECT_EQ(singleSpelling(std::u16string(1, rawByteUnit(0x81))), std::nullopt) << "an undecodable byte";
}

}  // namespace
