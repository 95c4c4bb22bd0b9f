// SPDX-License-Identifier: MIT
// soramie-cli's text commands, run as a process on temporary files.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "core/file_io.h"
#include "search/temp_tree.h"

namespace {

namespace fs = std::filesystem;

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

class CliTest : public ::testing::Test {
protected:
    std::string path(const std::string& name) const { return (tree / name).string(); }
    std::string write(const std::string& name, const std::string& bytes) const
    {
        return tree.file(name, bytes).string();
    }
    static std::string read(const std::string& file) { return soramie::readWholeFile(file).value(); }
    // `word` as one single-quoted shell word, preceded by a space.
    static std::string quoted(const std::string& word)
    {
        std::string q = " '";
        for (char c : word) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
        return q + "'";
    }

    // Runs soramie-cli with `args`, standard input from `stdinBytes`.
    Outcome run(std::initializer_list<std::string> args, const std::string& stdinBytes = "") const
    {
        std::string command = quoted(SORAMIE_CLI);
        for (const std::string& a : args) command += quoted(a);
        command +=
            " <" + quoted(write("stdin", stdinBytes)) + " >" + quoted(path("stdout")) + " 2>" + quoted(path("stderr"));
        const int raw = std::system(command.c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, read(path("stdout")), read(path("stderr"))};
    }

    soramie::testing::TempTree tree;
};

// "あいうえおかきくけこ。さ" and other CP932 text, with undecodable bytes.
const std::string kKana = "\x82\xa0\x82\xa2\x82\xa4\x82\xa6\x82\xa8\x82\xa9\x82\xab\x82\xad\x82\xaf\x82\xb1";
const std::string kMaru = "\x81\x42";  // 。
const std::string kSa = "\x82\xb3";    // さ

TEST_F(CliTest, WrapReadsAFileOrStandardInputAndKeepsUndecodableBytes)
{
    const std::string source = "  " + kKana + kMaru + kSa + "  \r\n\x80\x81\r\nab\xfd\x85";
    const std::string expected =
        kKana.substr(0, 18) + "\r\n" + kKana.substr(18) + kMaru + kSa + "\r\n\x80\x81\r\nab\xfd\x85";
    const Outcome fromFile = run({"wrap", "--width", "20", write("a.txt", source)});
    EXPECT_EQ(fromFile.status, 0) << fromFile.err;
    EXPECT_EQ(fromFile.out, expected);
    const Outcome fromStdin = run({"wrap", "--width", "20", "-"}, source);
    EXPECT_EQ(fromStdin.out, expected);
    EXPECT_EQ(run({"wrap", "--width", "20"}, source).out, expected);
}

TEST_F(CliTest, ReplaceTakesUtf8ArgumentsAndMatchesCp932Text)
{
    const std::string file = write("a.txt", "x&amp;y&z " + kSa + "\x81");
    Outcome r = run({"replace", "--from", "&", "--to", "&amp;", "--keep-existing", file});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "x&amp;y&amp;z " + kSa + "\x81");
    r = run({"replace", "--from", "さ", "--to", "-", file});
    EXPECT_EQ(r.out, "x&amp;y&z -\x81");
    r = run({"replace", "--from", "", "--to", "-", file});
    EXPECT_EQ(r.out, "x&amp;y&z " + kSa + "\x81");
}

TEST_F(CliTest, ReplaceRangeWritesTheTextAndPrintsTheCountAloneOnStandardError)
{
    const Outcome r = run({"replace-range", "--start", "[", "--end", "]", "--with", "-", "-"}, "x[a]y[b]z");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "x-y-z");
    EXPECT_EQ(r.err, "2\n");
    EXPECT_EQ(run({"replace-range", "--start", "[", "--end", "]", "--with", ""}, "abc").err, "0\n");
}

TEST_F(CliTest, HtmlWritesThePageBesideTheFileAndOverwritesIt)
{
    const std::string file = write("a.txt", "a<b>c&d\r\n" + kSa + "\xff\x81");
    const std::string page =
        "<HTML>\r\n<HEAD>\r\n<TITLE></TITLE>\r\n</HEAD>\r\n<BODY bgcolor=#ffffff text=#000000>\r\n"
        "a&lt;b&gt;c&d<BR>\r\n" +
        kSa + "\xff\x81<BR>\r\n</BODY>\r\n</HTML>";
    write("a.txt.html", std::string(10000, 'x'));
    const Outcome r = run({"html", file});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(read(file + ".html"), page);
    EXPECT_EQ(run({"html", "--stdout", file}).out, page);
    EXPECT_EQ(run({"html", "--stdout", "-"}, "").out,
              page.substr(0, page.find("a&lt;")) + "<BR>\r\n</BODY>\r\n</HTML>");
}

TEST_F(CliTest, DecodeAndEncodeRoundTripAndMarkWhatCannotConvert)
{
    const Outcome decoded = run({"decode"}, "a" + kSa + "\x81\r\n");
    EXPECT_EQ(decoded.out, "a\xe3\x81\x95\xef\xbf\xbd\r\n");  // さ, then U+FFFD for the lone lead byte
    EXPECT_EQ(run({"encode"},
                  "\xef\xbb\xbf"
                  "a\xe3\x81\x95\r\n")
                  .out,
              "a" + kSa + "\r\n");

    const Outcome refused = run({"encode"}, "ab\ncd\xe2\x82\xac");  // € has no code
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.out, "");
    EXPECT_NE(refused.err.find("line 2, column 3"), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("U+20AC"), std::string::npos) << refused.err;
    EXPECT_EQ(run({"encode", "--replace"},
                  "ab\xe2\x82\xac\xff"
                  "c")
                  .out,
              "ab??c");
}

TEST_F(CliTest, UsageErrorsExitTwoWithAUsageLineAndIoErrorsExitOneNamingTheFile)
{
    for (const Outcome& r :
         {run({}), run({"nope"}), run({"wrap"}), run({"wrap", "--width", "0"}), run({"wrap", "--width", "2x"}),
          run({"wrap", "--width"}), run({"html"}), run({"html", "-"}), run({"replace", "--from", "a"}),
          run({"decode", "a", "b"}), run({"replace-range", "--start", "", "--end", "]", "--with", "-"}),
          run({"replace", "--from", "a", "--to", "\xf0\x9f\x98\x80"})}) {
        EXPECT_EQ(r.status, 2) << r.err;
        EXPECT_NE(r.err.find("usage: soramie-cli"), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }
    const std::string missing = path("missing.txt");
    for (const Outcome& r :
         {run({"wrap", "--width", "4", missing}), run({"html", missing}), run({"decode", missing})}) {
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find(missing), std::string::npos) << r.err;
    }
    EXPECT_FALSE(fs::exists(missing + ".html"));
    const std::string blocked = write("b.txt", "b");
    fs::create_directory(blocked + ".html");
    const Outcome r = run({"html", blocked});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(blocked + ".html"), std::string::npos) << r.err;
}

}  // namespace
