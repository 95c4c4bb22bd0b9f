// SPDX-License-Identifier: MIT
#include "core/command_line.h"

namespace soramie {

namespace {
bool isBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }
}  // namespace

std::vector<std::u16string> splitCommandLine(std::u16string_view s)
{
    std::vector<std::u16string> words;
    std::u16string word;
    bool inWord = false;  // a word has started, even if it is still empty ("")
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char16_t c = s[i];
        if (isBlank(c)) {
            if (inWord) words.push_back(std::move(word));
            word.clear();
            inWord = false;
            continue;
        }
        inWord = true;
        if (c == u'\'') {
            for (++i; i < s.size() && s[i] != u'\''; ++i) word += s[i];
        } else if (c == u'"') {
            for (++i; i < s.size() && s[i] != u'"'; ++i) {
                if (s[i] == u'\\' && i + 1 < s.size() &&
                    (s[i + 1] == u'"' || s[i + 1] == u'\\' || s[i + 1] == u'$' || s[i + 1] == u'`'))
                    ++i;
                word += s[i];
            }
        } else if (c == u'\\' && i + 1 < s.size()) {
            word += s[++i];
        } else {
            word += c;
        }
    }
    if (inWord) words.push_back(std::move(word));
    return words;
}

}  // namespace soramie
