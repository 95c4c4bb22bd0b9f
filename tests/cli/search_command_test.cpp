// SPDX-License-Identifier: MIT
#include "cli/search_command.h"

#include "core/cp932.h"
#include "search/temp_tree.h"

#include <gtest/gtest.h>
#include <sstream>

namespace {

using soramie::testing::TempTree;

struct CliRun {
    int status;
    std::string out;
    std::string err;
};

CliRun search(std::vector<std::string> args)
{
    std::ostringstream out, err;
    const int status = soramie::cli::runSearchCommand(args, out, err);
    return {status, out.str(), err.str()};
}

std::string sjis(std::u16string_view text) { return soramie::cp932::encode(text).bytes; }

// Which files are candidates and which hold the keyword is the walk's and the
// scan's; this pins the command: output, options and exit status.
TEST(SearchCommand, PrintsHitsInWalkOrderListsUnreadableFilesApartAndExitsByOutcome)
{
    TempTree tree;
    const std::string root = tree.root().string();
    tree.file("a.txt", sjis(u"障害が発生しました\r\n"));
    tree.file("b.txt", "nothing\r\n");
    tree.file("sub/c.txt", sjis(u"再び障害\r\n"));
    tree.file("sub/d.log", sjis(u"障害ログ\r\n"));
    if (::geteuid() != 0) ::chmod(tree.file("locked.txt", "x").c_str(), 0);

    CliRun r = search({root, "障害"});
    EXPECT_EQ(r.status, soramie::cli::kSearchFound);
    EXPECT_EQ(r.out, root + "/a.txt\n" + root + "/sub/c.txt\n");
    EXPECT_EQ(r.err.find("locked.txt") != std::string::npos, ::geteuid() != 0) << r.err;
    EXPECT_EQ(search({"--no-subfolders", "-0", root, "障害"}).out, root + "/a.txt" + '\0');
    EXPECT_EQ(search({"--log", root, "障害"}).out, root + "/sub/d.log\n");
    r = search({root, "エラー"});
    EXPECT_EQ(r.status, soramie::cli::kSearchNothingFound);
    EXPECT_EQ(r.out, "");
    for (const auto& args : std::vector<std::vector<std::string>>{{root},
                                                                  {"--regex", root, "a"},
                                                                  {root, ""},
                                                                  {root, "\xFF"},
                                                                  {root, "\xF0\x9F\x98\x80"},
                                                                  {root + "/missing", "a"}}) {
        r = search(args);
        EXPECT_EQ(r.status, soramie::cli::kSearchUsageError) << ::testing::PrintToString(args);
        EXPECT_NE(r.err.find("usage: soramie-cli search"), std::string::npos);
    }
}

}  // namespace
