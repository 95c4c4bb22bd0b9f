// SPDX-License-Identifier: MIT
// The fast text routines agree with the literal step-by-step algorithms on many
// random texts made of the characters that matter to them.
#include "core/html_page.h"
#include "core/replace.h"
#include "core/wrap.h"
#include "reference/literal_algorithms.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace soramie {
namespace {

class RandomText {
public:
    explicit RandomText(unsigned seed) : rng_(seed) {}

    std::u16string text(std::u16string_view alphabet, std::size_t maxLength)
    {
        std::u16string s;
        const std::size_t n = below(maxLength + 1);
        while (s.size() < n) {
            if (below(8) == 0) {
                s += u"\r\n";  // CR LF pairs more often than chance alone gives them
            } else {
                s += alphabet[below(alphabet.size())];
            }
        }
        return s;
    }
    std::size_t below(std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng_); }

private:
    std::mt19937 rng_;
};

// Japanese, ASCII, both wrap sets, spaces (also full-width), CR, LF, HTML and
// range markers, half-width katakana and undecodable bytes.
const std::u16string kWrapAlphabet = u"あいう漢字ab1 \u3000 \r\n\t。、」）「（$\"\\!ｱｰﾟ｢\xDC81\xDCFF<>&";
const std::u16string kReplaceAlphabet = u"ab&;<>[]|\r\n あ\xDC81";

TEST(TextRoutinesAgainstReference, WrapTextAndSplitLinesMatchOnRandomTexts)
{
    RandomText r(1);
    for (int i = 0; i < 4000; ++i) {
        const std::u16string text = r.text(kWrapAlphabet, 60);
        const auto width = static_cast<std::int32_t>(1 + r.below(14));
        const auto fast = WrapText(text, WrapWidth{width});
        ASSERT_TRUE(fast.ok());
        ASSERT_EQ(*fast, reference::WrapText(text, width, NoStartChars, NoEndChars))
            << "width " << width << " case " << i;
        const std::u16string delimiter = i % 2 ? u"\r\n" : u"a";
        const auto pieces = SplitLines(text, delimiter);
        ASSERT_EQ(std::vector<std::u16string>(pieces.begin(), pieces.end()), reference::SplitLines(text, delimiter))
            << "case " << i;
    }
}

TEST(TextRoutinesAgainstReference, ChrReplaceAndRangeReplaceMatchOnRandomTexts)
{
    RandomText r(3);
    for (int i = 0; i < 20000; ++i) {
        const std::u16string subject = r.text(kReplaceAlphabet, 30);
        const std::u16string from = r.text(u"ab&;", 3);
        const std::u16string to = r.text(u"ab&;", 5);
        const bool normal = i % 2 == 0;
        ASSERT_EQ(chrReplace(subject, from, to, normal), reference::chrReplace(subject, from, to, normal))
            << "case " << i;

        std::u16string fast = subject;
        std::u16string slow = subject;
        std::u16string start = r.text(u"[]|a", 3);
        std::u16string end = r.text(u"[]|a", 3);
        if (start.empty()) start = u"|";
        if (end.empty()) end = u"|";
        const std::u16string with = r.text(u"[]-a", 3);
        ASSERT_EQ(rangeReplace(fast, start, end, with), reference::rangeReplace(slow, start, end, with))
            << "case " << i;
        ASSERT_EQ(fast, slow) << "case " << i;
    }
}

TEST(TextRoutinesAgainstReference, HtmlPageMatchesOnRandomTexts)
{
    RandomText r(5);
    for (int i = 0; i < 4000; ++i) {
        const std::u16string source = r.text(kReplaceAlphabet, 50);
        ASSERT_EQ(HtmlPage(source), reference::HtmlPage(source)) << "case " << i;
    }
}

}  // namespace
}  // namespace soramie
