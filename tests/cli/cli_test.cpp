// SPDX-License-Identifier: MIT
// soramie-cli's commands, run as a process on temporary files.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "core/cp932.h"
#include "core/file_io.h"
#include "core/html_page.h"
#include "core/version.h"
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
    std::string write(const std::string& name, const std::string& bytes) const { return tree.file(name, bytes); }
    static std::string read(const std::string& file) { return soramie::readWholeFile(file).value(); }
    // `word` as one single-quoted shell word, preceded by a space.
    static std::string quoted(const std::string& word)
    {
        std::string q = " '";
        for (char c : word) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
        return q + "'";
    }

    // Runs soramie-cli with `args`, standard input from `stdinBytes`, through
    // `shell`, where "{}" stands for the command (a pipe into it replaces stdin).
    Outcome run(std::initializer_list<std::string> args, const std::string& stdinBytes = "",
                std::string shell = "{}") const
    {
        std::string command = quoted(SORAMIE_CLI);
        for (const std::string& a : args) command += quoted(a);
        if (shell.find('|') == std::string::npos) command += " <" + quoted(write("stdin", stdinBytes));
        command += " >" + quoted(path("stdout")) + " 2>" + quoted(path("stderr"));
        shell.replace(shell.find("{}"), 2, command);
        const int raw = std::system(shell.c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, read(path("stdout")), read(path("stderr"))};
    }

    soramie::testing::TempTree tree;
};

const std::string kSa = "\x82\xb3";  // さ

std::string sjis(std::u16string_view text) { return soramie::cp932::encode(text).bytes; }

// What the commands compute is held to the literal algorithms by the fuzz
// targets; this pins the plumbing: inputs, UTF-8 arguments, outputs.
TEST_F(CliTest, CommandsReadAFileOrStandardInputTakeUtf8ArgumentsAndKeepBytesTheyDoNotReplace)
{
    const std::string source = "  ab  \r\n\x80\x81\r\n" + kSa + "\xfd\x85";
    const std::string wrapped = "ab\r\n\x80\x81\r\n" + kSa + "\xfd\x85";
    EXPECT_EQ(run({"wrap", "--width", "20", write("a.txt", source)}).out, wrapped);
    EXPECT_EQ(run({"wrap", "--width", "20", "-"}, source).out, wrapped);
    EXPECT_EQ(run({"wrap", "--width", "20"}, source).out, wrapped);
    EXPECT_EQ(run({"replace", "--from", "さ", "--to", "&amp;", "--keep-existing", "-"}, "&amp;" + kSa + "\x81").out,
              "&amp;&amp;\x81");
    const Outcome r = run({"replace-range", "--start", "[", "--end", "]", "--with", "-", "-"}, "x[a]y[b]z");
    EXPECT_EQ(r.out + "|" + r.err, "x-y-z|2\n") << "the count alone on standard error";
    EXPECT_EQ(run({"decode"}, "a" + kSa + "\x81").out, "a\xe3\x81\x95\xef\xbf\xbd") << "U+FFFD for a lone lead byte";
    EXPECT_EQ(run({"encode"}, "\xef\xbb\xbf\xe3\x81\x95").out, kSa) << "a byte-order mark skipped";
    EXPECT_EQ(run({"encode", "--replace"}, "ab\xe2\x82\xac\xff").out, "ab??");
    const Outcome refused = run({"encode"}, "ab\ncd\xe2\x82\xac");  // € has no code
    EXPECT_EQ(refused.status, 1);
    EXPECT_TRUE(refused.out.empty() && refused.err.find("line 2, column 3") != std::string::npos) << refused.err;

    const std::string file = write("b.txt", "a<b>\r\n" + kSa);
    std::string page;
    soramie::appendHtmlPageBytes(read(file), page);
    write("b.txt.html", std::string(10000, 'x'));
    EXPECT_EQ(run({"html", file}).status, 0);
    EXPECT_EQ(read(file + ".html"), page) << "an older page is replaced";
    EXPECT_EQ(run({"html", "--stdout", file}).out, page);
}

TEST_F(CliTest, UsageErrorsExitTwoWithAUsageLineAndIoErrorsExitOneNamingTheFile)
{
    for (const Outcome& r :
         {run({}), run({"nope"}), run({"wrap", "--width", "0"}), run({"wrap", "--width"}), run({"html", "-"}),
          run({"decode", "a", "b"}), run({"replace-range", "--start", "", "--end", "]", "--with", "-"}),
          run({"replace", "--from", "", "--to", "-"}), run({"replace", "--from", "a", "--to", "\xf0\x9f\x98\x80"}),
          run({"search", path("")}), run({"search", "--regex", path(""), "a"}), run({"search", path(""), ""}),
          run({"search", path(""), "\xff"}), run({"search", path(""), "\xf0\x9f\x98\x80"}),
          run({"search", path("missing"), "a"})}) {
        EXPECT_EQ(r.status, 2) << r.err;
        EXPECT_NE(r.err.find("usage: soramie-cli"), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }
    const std::string fifo = path("fifo.txt");
    ::mkfifo(fifo.c_str(), 0600);
    const std::string blocked = write("b.txt", "b");
    fs::create_directory(blocked + ".html");
    // A FIFO would block the export and a device would put a page beside it (/dev/null.html).
    for (const std::string& source : {path("missing.txt"), fifo, std::string("/dev/null"), blocked}) {
        const Outcome r = run({"html", source});
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find(source), std::string::npos) << r.err;
        EXPECT_FALSE(fs::is_regular_file(source + ".html")) << source;
    }
    const Outcome piped = run({"html", "--stdout", fifo});
    EXPECT_EQ(piped.status, 1) << piped.err;
}

// Which files are candidates and which hold the keyword is the walk's and the
// scan's; this pins the search command: output, options and exit status.
TEST_F(CliTest, SearchPrintsHitsInWalkOrderListsUnreadableFilesApartAndExitsByOutcome)
{
    const std::string root = path("s");
    write("s/a.txt", sjis(u"障害が発生しました\r\n"));
    write("s/b.txt", "nothing\r\n");
    write("s/sub/c.txt", sjis(u"再び障害\r\n"));
    write("s/sub/d.log", sjis(u"障害ログ\r\n"));
    if (::geteuid() != 0) ::chmod(write("s/locked.txt", "x").c_str(), 0);
    Outcome r = run({"search", root, "障害"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, root + "/a.txt\n" + root + "/sub/c.txt\n");
    EXPECT_EQ(r.err.find("locked.txt") != std::string::npos, ::geteuid() != 0) << r.err;
    EXPECT_EQ(run({"search", "--no-subfolders", "-0", root, "障害"}).out, root + "/a.txt" + '\0');
    EXPECT_EQ(run({"search", "--log", root, "障害"}).out, root + "/sub/d.log\n");
    r = run({"search", root, "エラー"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
}

TEST_F(CliTest, HelpOfTheToolAndOfEachCommandGoesToStandardOutput)
{
    const Outcome all = run({"--help"});
    EXPECT_EQ(all.status, 0);
    EXPECT_NE(all.out.find("  --version "), std::string::npos);
    const Outcome version = run({"--version"});
    EXPECT_EQ(version.status, 0) << version.err;
    EXPECT_EQ(version.out, std::string("SORAMIE ver.") + soramie::kVersionNumber + "\n");
    for (const std::string command : {"wrap", "replace", "replace-range", "html", "decode", "encode", "search"}) {
        EXPECT_NE(all.out.find("  " + command + " "), std::string::npos) << command;
        // Help wins over whatever else is wrong on the line.
        const Outcome r = run({command, "--bogus", "-h"});
        EXPECT_EQ(r.status, 0) << command << r.err;
        EXPECT_TRUE(r.out.starts_with("usage: soramie-cli " + command + " ")) << r.out;
        EXPECT_GT(r.out.size(), 120u) << "a description follows the usage line: " << r.out;
    }
}

TEST_F(CliTest, RunningOutOfMemoryOrOutputSpaceIsReportedInsteadOfAborting)
{
#ifdef SORAMIE_SANITIZED
    GTEST_SKIP() << "the sanitizers need more address space than any limit leaves";
#endif
    // 200 MB of input under a 150 MB address-space limit: the commands that
    // stream go through in fixed windows (their output is dropped here); those
    // that hold their input report running out of memory.
    const std::string starved = "head -c 200000000 /dev/zero | (ulimit -v 150000; {})";
    const std::string streamed = starved + "; s=$?; : >" + path("stdout") + "; exit $s";
    for (const Outcome& r :
         {run({"wrap", "--width", "9"}, "", streamed), run({"decode"}, "", streamed),
          run({"replace", "--from", "a", "--to", "b"}, "", streamed), run({"html", "--stdout", "-"}, "", streamed)}) {
        EXPECT_EQ(r.status, 0) << r.err;
    }
    for (const Outcome& r : {run({"encode", "--replace"}, "", starved),
                             run({"replace-range", "--start", "a", "--end", "b", "--with", "c"}, "", starved)}) {
        EXPECT_EQ(r.status, 2) << r.err;
        EXPECT_EQ(r.err, "soramie-cli: out of memory\n");
    }
    // Too little room for the search's threads: it searches on fewer.
    for (int i = 0; i < 4; ++i) write("tree/f" + std::to_string(i) + ".txt", std::string(3 << 20, 'x') + "key");
    const Outcome search = run({"search", path("tree"), "key"}, "", "(ulimit -v 12000; {})");
    EXPECT_TRUE(search.status == 0 || (search.status == 2 && search.err.ends_with("out of memory\n"))) << search.err;

    // So little room that setting up the standard streams fails: still a
    // message and status 2, not an abort.
    const Outcome tiny = run({"--help"}, "", "(ulimit -v 6000; {})");
    EXPECT_TRUE(tiny.status == 0 || (tiny.status == 2 && tiny.err == "soramie-cli: out of memory\n"))
        << tiny.status << tiny.err;

    const Outcome full = run({"search", path("tree"), "key"}, "", "{} >/dev/full");
    EXPECT_EQ(full.status, 2);
    EXPECT_NE(full.err.find("cannot write standard output"), std::string::npos) << full.err;
}

}  // namespace
