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

// One glibc conversion descriptor, for whole-input conversions only.
class Iconv {
public:
    Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Iconv()
    {
        if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // The converted bytes, or nothing when glibc rejects any part of the input.
    std::optional<std::string> convert(const std::string& in)
    {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        std::string out(in.size() * 4 + 8, '\0');
        char* src = const_cast<char*>(in.data());
        std::size_t srcLeft = in.size();
        char* dst = out.data();
        std::size_t dstLeft = out.size();
        if (iconv(cd_, &src, &srcLeft, &dst, &dstLeft) == static_cast<std::size_t>(-1)) return std::nullopt;
        out.resize(out.size() - dstLeft);
        return out;
    }

private:
    iconv_t cd_;
};

std::u16string fromUtf16le(const std::string& b)
{
    std::u16string s;
    for (std::size_t i = 0; i + 1 < b.size(); i += 2)
        s.push_back(
            static_cast<char16_t>(static_cast<unsigned char>(b[i]) | static_cast<unsigned char>(b[i + 1]) << 8));
    return s;
}

std::string toUtf16le(char16_t u) { return {static_cast<char>(u & 0xFF), static_cast<char>(u >> 8)}; }

std::string bytesOf(std::initializer_list<int> v)
{
    std::string s;
    for (int b : v) s.push_back(static_cast<char>(b));
    return s;
}

int pairCode(const std::string& b)
{
    return b.size() == 2   ? static_cast<unsigned char>(b[0]) << 8 | static_cast<unsigned char>(b[1])
           : b.size() == 1 ? static_cast<unsigned char>(b[0])
                           : -1;
}

TEST(Cp932Decode, EverySingleByteDecodesAsWindows)
{
    Iconv ref("UTF-16LE", "CP932");
    ASSERT_TRUE(ref.ok());
    const std::pair<int, char16_t> windowsOnly[] = {
        {0x80, u'\u0080'}, {0xA0, u'\uF8F0'}, {0xFD, u'\uF8F1'}, {0xFE, u'\uF8F2'}, {0xFF, u'\uF8F3'}};
    for (const auto& [b, u] : windowsOnly) EXPECT_EQ(decode(bytesOf({b})), std::u16string(1, u)) << b;
    for (int b = 0; b < 256; ++b) {
        const std::string in = bytesOf({b});
        const std::u16string got = decode(in);
        if (isLeadByte(static_cast<unsigned char>(b))) {
            EXPECT_EQ(got, std::u16string(1, rawByteUnit(static_cast<unsigned char>(b)))) << "lone lead " << b;
        } else if (b != 0x80 && b != 0xA0 && b < 0xFD) {
            const auto want = ref.convert(in);
            ASSERT_TRUE(want.has_value()) << b;
            EXPECT_EQ(got, fromUtf16le(*want)) << b;
        }
    }
    // Backslash and tilde stay ASCII; they are not yen sign and overline.
    EXPECT_EQ(decode("\\~"), u"\\~");
}

TEST(Cp932Decode, EveryPairDecodesAsWindowsOrKeepsItsLeadByte)
{
    Iconv ref("UTF-16LE", "CP932");
    ASSERT_TRUE(ref.ok());
    int pairs = 0;
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (!isLeadByte(static_cast<unsigned char>(lead))) continue;
        for (int trail = 0; trail < 256; ++trail) {
            const std::string in = bytesOf({lead, trail});
            const std::u16string got = decode(in);
            std::size_t consumed = 0;
            const char16_t one = decodeOne(in, consumed);
            const auto want = ref.convert(in);
            if (want && fromUtf16le(*want).size() == 1) {
                ++pairs;
                EXPECT_EQ(got, fromUtf16le(*want)) << std::hex << lead << ' ' << trail;
                EXPECT_EQ(consumed, 2u);
            } else {
                // The lead byte is kept as a raw unit and decoding resumes at the trail byte.
                ASSERT_EQ(got.size(), 2u) << std::hex << lead << ' ' << trail;
                EXPECT_EQ(got[0], rawByteUnit(static_cast<unsigned char>(lead)));
                EXPECT_EQ(got.substr(1), decode(in.substr(1)));
                EXPECT_EQ(consumed, 1u);
            }
            EXPECT_EQ(one, got[0]);
        }
    }
    EXPECT_EQ(pairs, 9604);
    EXPECT_EQ(decode(bytesOf({0xF0, 0x40, 0xF9, 0xFC})), u"\uE000\uE757");
}

TEST(Cp932Encode, EveryUnitEncodesToTheCodeWindowsChooses)
{
    Iconv ref("CP932", "UTF-16LE");
    ASSERT_TRUE(ref.ok());
    int encodable = 0;
    int encodeOnly = 0;  // units that decoding never gives
    for (int u = 0; u <= 0xFFFF; ++u) {
        const auto unit = static_cast<char16_t>(u);
        if (u >= 0xD800 && u <= 0xDFFF) continue;
        const auto want = ref.convert(toUtf16le(unit));
        const int wantCode = want ? pairCode(*want) : -1;
        const bool windowsOnly = u == 0x80 || (u >= 0xF8F0 && u <= 0xF8F3);
        if (!windowsOnly) {
            EXPECT_EQ(codeOf(unit), wantCode) << std::hex << u;
        }
        if (codeOf(unit) < 0) {
            EXPECT_EQ(byteLength(unit), 1);
            continue;
        }
        ++encodable;
        const EncodeResult r = encode(std::u16string(1, unit));
        EXPECT_TRUE(r.complete());
        EXPECT_EQ(pairCode(r.bytes), codeOf(unit));
        EXPECT_EQ(static_cast<int>(r.bytes.size()), byteLength(unit));
        if (decode(r.bytes) != std::u16string(1, unit)) ++encodeOnly;
    }
    EXPECT_EQ(encodable, 9411);
    EXPECT_EQ(encodeOnly, 9);
    EXPECT_EQ(codeOf(u'\u0080'), 0x80);
    EXPECT_EQ(codeOf(u'\uF8F0'), 0xA0);
    EXPECT_EQ(codeOf(u'\uF8F3'), 0xFF);
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

}  // namespace
