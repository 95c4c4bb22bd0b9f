// SPDX-License-Identifier: MIT
// The byte finder and the UTF-8 reader and writer.
#include "core/byte_finder.h"
#include "core/utf8.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

using soramie::ByteFinder;
namespace utf8 = soramie::utf8;

// memmem's answer as an offset, or npos.
std::size_t memmemAt(const std::string& hay, const std::string& needle)
{
    const void* hit = memmem(hay.data(), hay.size(), needle.data(), needle.size());
    return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - hay.data()) : std::string::npos;
}

std::size_t finderAt(const std::string& hay, const ByteFinder& finder)
{
    const char* hit = finder.find(hay.data(), hay.size());
    return hit ? static_cast<std::size_t>(hit - hay.data()) : std::string::npos;
}

TEST(ByteFinder, FindsWhatMemmemFindsWhereverTheMatchLiesAgainstTheSixteenByteSteps)
{
    // A small alphabet makes near misses of both probe bytes common; runs of one
    // byte make probes that pair with themselves.
    const char alphabet[] = {'a', 'b', '\x82', '\xA0', ' ', '\n', '\x81'};
    std::uint32_t seed = 7;
    auto next = [&] { return seed = seed * 1664525u + 1013904223u; };
    for (int round = 0; round < 4000; ++round) {
        std::string hay(next() % 80, 'a');
        for (char& c : hay) c = alphabet[next() % (round % 2 ? 3 : std::size(alphabet))];
        std::string needle;
        const std::size_t k = next() % 12;
        if (round % 3 != 0 && k <= hay.size()) {
            needle = hay.substr(next() % (hay.size() - k + 1), k);  // occurs at least once
        } else {
            for (std::size_t i = 0; i < k; ++i) needle.push_back(alphabet[next() % std::size(alphabet)]);
        }
        const ByteFinder finder(needle);
        ASSERT_EQ(finderAt(hay, finder), memmemAt(hay, needle)) << "round " << round;
    }
    // The needle as the last bytes of a long haystack, past every whole step.
    for (std::size_t size = 30; size < 70; ++size) {
        const std::string hay = std::string(size - 3, 'x') + "\x82\xA0y";
        EXPECT_EQ(finderAt(hay, ByteFinder("\x82\xA0y")), size - 3) << size;
    }
    EXPECT_EQ(finderAt("abc", ByteFinder("")), 0u) << "the empty needle is found at the start";
    EXPECT_EQ(finderAt("ab", ByteFinder("abc")), std::string::npos);
}

TEST(Utf8, WritesAndReadsBackEveryLengthAndRejectsMalformedSequencesOneByteAtATime)
{
    for (const char32_t c :
         {0x0u, 0x7Fu, 0x80u, 0x7FFu, 0x800u, 0xD7FFu, 0xE000u, 0xFFFDu, 0xFFFFu, 0x10000u, 0x10FFFFu}) {
        std::string bytes;
        utf8::append(c, bytes);
        const std::size_t length = c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
        ASSERT_EQ(bytes.size(), length) << static_cast<unsigned>(c);
        std::size_t i = 0;
        EXPECT_EQ(utf8::nextCodePoint(bytes, i), c);
        EXPECT_EQ(i, length);
    }
    // Stray continuation, overlong, surrogate, above U+10FFFF, truncated, bad lead.
    for (const std::string bad :
         {"\x80", "\xC0\x80", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE3\x81", "\xF8\x88\x80\x80\x80"}) {
        std::size_t i = 0;
        EXPECT_EQ(utf8::nextCodePoint(bad, i), std::nullopt) << bad.size();
        EXPECT_EQ(i, 1u);
        EXPECT_EQ(utf8::toUtf16("ok" + bad), std::nullopt);
    }
    EXPECT_EQ(utf8::toUtf16("a\xE3\x81\x82\xF0\x9F\x98\x80"), std::u16string(u"a\u3042\U0001F600"));
}

}  // namespace
