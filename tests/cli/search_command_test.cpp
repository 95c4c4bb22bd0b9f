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

TEST(SearchCommand, PrintsHitsInWalkOrderListsUnreadableFilesApartAndExitsByOutcome)
{
    TempTree tree;
    const std::string root = tree.root().string();
    tree.file("a.txt", sjis(u"障害が発生しました\r\n"));
    tree.file("b.txt", "nothing\r\n");
    tree.file("sub/c.txt", sjis(u"再び障害\r\n"));
    tree.file("sub/d.log", sjis(u"障害ログ\r\n"));
    std::filesystem::create_symlink(tree / "a.txt", tree / "link.txt");
    std::filesystem::create_symlink(tree / "gone", tree / "dangling.txt");  // no candidate
    if (::geteuid() != 0) ::chmod(tree.file("locked.txt", "x").c_str(), 0);

    CliRun r = search({root, "障害"});
    EXPECT_EQ(r.status, soramie::cli::kSearchFound);
    EXPECT_EQ(r.out, root + "/a.txt\n" + root + "/link.txt\n" + root + "/sub/c.txt\n");
    EXPECT_EQ(r.err.find("locked.txt") != std::string::npos, ::geteuid() != 0) << r.err;
    EXPECT_EQ(search({"--no-subfolders", "-0", root, "障害"}).out, root + "/a.txt" + '\0' + root + "/link.txt" + '\0');
    EXPECT_EQ(search({"--log", root, "障害"}).out, root + "/sub/d.log\n");
    r = search({root, "エラー"});
    EXPECT_EQ(r.status, soramie::cli::kSearchNothingFound);
    EXPECT_EQ(r.out, "");
}

TEST(SearchCommand, RejectsBadArgumentsWithStatusTwo)
{
    TempTree tree;
    const std::string root = tree.root().string();
    const std::vector<std::vector<std::string>> bad = {
        {root},         {"--regex", root, "a"},     {root, ""},
        {root, "\xFF"}, {root, "\xF0\x9F\x98\x80"}, {root + "/missing", "a"}};
    for (const auto& args : bad) {
        const CliRun r = search(args);
        EXPECT_EQ(r.status, soramie::cli::kSearchUsageError) << ::testing::PrintToString(args);
        EXPECT_NE(r.err.find("usage: soramie-cli search"), std::string::npos);
    }
}

}  // namespace
