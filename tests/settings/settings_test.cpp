// SPDX-License-Identifier: MIT
#include "settings/settings.h"
#include "settings/location.h"

#include "core/cp932.h"
#include "core/file_io.h"
#include "search/temp_tree.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <iterator>

namespace {

namespace fs = std::filesystem;
using namespace soramie::settings;
using soramie::testing::TempTree;

std::string readAll(const fs::path& p) { return soramie::readWholeFile(p.string()).value(); }

std::string sjis(std::u16string_view text) { return soramie::cp932::encode(text).bytes; }

using Values = std::vector<std::u16string>;

class SettingsFileTest : public ::testing::Test {
protected:
    TempTree tree;
    SettingsFile settings{tree / "soramie.ini"};

    void give(std::string_view bytes) { tree.file("soramie.ini", bytes); }
    std::u16string read(std::u16string_view k, std::u16string_view d = u"")
    {
        return settings.readSetting(kSection, k, d);
    }
};

TEST_F(SettingsFileTest, ReadsHandWrittenFormsAndLineEndsAlike)
{
    give(
        "; comment line\r\n"
        "log = ignored before any section\r\n"
        "[other]\r\n"
        "log = wrong section\r\n"
        "  [ MAIN ]  \r\n"
        "# log = commented out\r\n"
        "a line without equals sign\r\n"
        "LOG=/var/log/app\r\n"
        "  program\t=   /usr/bin/kate   \r\n"
        "name = \"Kate\"\r\n"
        "log = second copy loses\r\n"
        "typedate =\r\n");
    // An empty value is not a missing key.
    EXPECT_EQ((Values{read(kLog), read(kProgram), read(kName), read(kTypedate, kTypedateDefault),
                      read(kBrowse, u"none"), settings.readSetting(u"other", u"log", u"")}),
              (Values{u"/var/log/app", u"/usr/bin/kate", u"\"Kate\"", u"", u"none", u"wrong section"}));

    give("\xEF\xBB\xBF[main]\nlog = a\n[x]\nname = b\n[Main]\nbrowse = c\rprogram = d");
    EXPECT_EQ((Values{read(kLog), read(kName), read(kBrowse), read(kProgram)}), (Values{u"a", u"", u"c", u"d"}))
        << "BOM, LF, CR, repeated section";
}

// ソ and 表 end in 0x5C, ゾ in 0x5D (']'): values are decoded before they are parsed.
TEST_F(SettingsFileTest, DecodesValuesAndCutsThemTo127BytesBetweenCharacters)
{
    give("[main]\r\nlog = " + std::string(200, 'x') + "\r\nname = " + sjis(std::u16string(64, u'漢')) +
         "\r\nprogram = a" + sjis(std::u16string(63, u'漢')) + "\r\nbrowse = " + sjis(std::u16string(130, u'ｱ')) +
         "\r\ntypedate = " + sjis(u"C:\\ソフト\\表ゾ]") + "\r\n");
    // 128 bytes would split the 64th 漢; exactly 127 bytes fit; half-width katakana take one byte.
    EXPECT_EQ((Values{read(kTypedate), read(kLog), read(kName), read(kProgram), read(kBrowse)}),
              (Values{u"C:\\ソフト\\表ゾ]", std::u16string(127, u'x'), std::u16string(63, u'漢'),
                      u"a" + std::u16string(63, u'漢'), std::u16string(127, u'ｱ')}));
}

TEST_F(SettingsFileTest, BinaryHugeAndSpecialFilesAreReadSafelyUpToTheBound)
{
    std::string bytes = "[main]\r\nlog = first\r\n";
    for (std::size_t i = 0; bytes.size() < kMaxFileBytes + 4096; ++i)
        bytes.push_back(static_cast<char>((i * 7919u) >> 3));
    bytes += "\r\n[main]\r\nname = beyond the bound\r\n";
    give(bytes);
    EXPECT_EQ(read(kLog), u"first");
    EXPECT_EQ(read(kName), u"");
    // A FIFO (nobody writes it) or a device named as the settings file reads as no file, at once.
    ::mkfifo((tree / "fifo.ini").c_str(), 0600);
    for (const char* special : {"fifo.ini", "/dev/zero"}) {
        EXPECT_EQ(SettingsFile(tree / special).readSetting(kSection, kTypedate, kTypedateDefault), u"1");
    }
}

TEST_F(SettingsFileTest, WritesExactlySixCrLfLinesKeepingTypedateOrGivingItsDefault)
{
    ASSERT_TRUE(settings.write({}).ok());
    EXPECT_EQ(readAll(settings.path()), "[main]\r\nlog = \r\ntypedate = 1\r\nprogram = \r\nname = \r\nbrowse = \r\n");
    give("[main]\r\ntypedate=2\r\nlog = old\r\n[extra]\r\nkey = gone\r\n");
    ASSERT_TRUE(settings.write({u"C:\\ログ", u"/usr/bin/kate", u"ケイト", u""}).ok());
    EXPECT_EQ(readAll(settings.path()), "[main]\r\nlog = " + sjis(u"C:\\ログ") +
                                            "\r\ntypedate = 2\r\nprogram = /usr/bin/kate\r\nname = " + sjis(u"ケイト") +
                                            "\r\nbrowse = \r\n");
    give("[main]\r\ntypedate = \r\n");
    ASSERT_TRUE(settings.write({}).ok());
    EXPECT_EQ(read(kTypedate, kTypedateDefault), u"");
}

TEST_F(SettingsFileTest, RefusesValuesItCannotStoreAndLeavesTheFileAlone)
{
    give("[main]\r\nlog = keep\r\n");
    EXPECT_EQ(settings.write({u"/home/\U0001F600", {}, {}, {}}).error().errnoValue, EILSEQ);
    EXPECT_EQ(settings.write({u"a", u"b\nbrowse = evil", {}, {}}).error().errnoValue, EINVAL);
    EXPECT_EQ(readAll(settings.path()), "[main]\r\nlog = keep\r\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(tree.root()), {}), 1) << "no temporary left";
    // A missing folder is reported, and its file reads as defaults.
    SettingsFile nowhere(tree / "missing" / "soramie.ini");
    EXPECT_EQ(nowhere.write({}).error().errnoValue, ENOENT);
    EXPECT_EQ(nowhere.readSetting(kSection, kTypedate, kTypedateDefault), u"1");
}

TEST(SettingsLocation, ABuildFolderKeepsBothFilesBesideTheExecutableAndAPrefixUsesConfigAndShare)
{
    TempTree t;
    const fs::path build = t.file("build/readme.txt").parent_path();
    ASSERT_EQ(detectLayout(build, "soramie"), Layout::Portable);
    auto files = programFiles(Layout::Portable, build, "soramie", t / "config");
    EXPECT_EQ(files.settings, build / "soramie.ini");
    EXPECT_EQ(files.readme, build / "readme.txt");

    // An installation prefix, even where the user may write it; another program's share does not count.
    const fs::path bin = t.folder("usr/bin");
    const fs::path readme = t.file("usr/share/soramie/readme.txt");
    EXPECT_EQ(detectLayout(bin.string() + "/", "soramie"), Layout::Installed);
    EXPECT_EQ(detectLayout(bin, "other"), Layout::Portable);
    files = programFiles(Layout::Installed, bin, "soramie", "/home/u/.config/SORAMIE");
    EXPECT_EQ(files.settings, fs::path("/home/u/.config/SORAMIE/soramie.ini"));
    EXPECT_EQ(files.readme, readme);
    EXPECT_EQ(detectLayout(t / "missing", "soramie"), Layout::Installed);
}

TEST(SettingsLocation, AFolderTheUserCannotWriteIsAnInstalledLayout)
{
    if (::getuid() == 0) GTEST_SKIP() << "root may write into any folder";
    TempTree t;
    const fs::path bin = t.file("bin/readme.txt").parent_path();
    fs::permissions(bin, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_EQ(detectLayout(bin, "soramie"), Layout::Installed);
}

}  // namespace
