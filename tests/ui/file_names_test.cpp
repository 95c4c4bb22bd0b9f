// SPDX-License-Identifier: MIT
// File names that are not UTF-8 (Shift-JIS names from Windows archives): shown
// decoded, and every command of the main window reaches the same bytes.
#include "platform/file_names.h"
#include "support/form1_harness.h"

#include <QKeyEvent>
#include <QStyledItemDelegate>

using soramie::fromNativePath;
using soramie::toNativePath;
using namespace soramie::testing;

namespace {

// "ログ" and "日報" in CP932: neither is valid UTF-8.
const std::string kLog = "\x83\x8d\x83\x4f";
const std::string kDaily = "\x93\xfa\x95\xf1";

bool writeRaw(const std::string& path, const QByteArray& bytes) { return writeFile(fromNativePath(path), bytes); }
QByteArray readRaw(const std::string& path) { return bytesOf(fromNativePath(path)); }

// What the list shows for one of its entries.
QString shown(const QAbstractItemView& view, const QString& entry)
{
    return static_cast<const QStyledItemDelegate*>(view.itemDelegate())->displayText(entry, QLocale());
}

TEST(ShiftJisNames, ACp932FileIsListedDecodedAndShownSavedLaunchedExportedSearchedAndDeleted)
{
    Form1Harness h;
    auto& f = h.loadWith({{"a.txt", "a"}});
    const std::string logs = toNativePath(h.root()) + "/logs/";
    ASSERT_TRUE(writeRaw(logs + kLog + ".txt", "key\r\n"));
    f.File1->refresh();
    const QString name = fromNativePath(kLog + ".txt");
    EXPECT_EQ(shown(*f.File1, name), "ログ.txt");
    h.show(name);
    EXPECT_EQ(f.Text1->text() + "|" + f.panel(2) + "|" + f.panel(3), "key\r\n|logs ログ.txt |File Size 5 byte");

    f.Text1->setText("key2");
    f.appWrite->trigger();
    h.fakes.pickers.answers = {fromNativePath(logs + kDaily + ".txt")};
    f.appNWrite->trigger();
    EXPECT_EQ(readRaw(logs + kLog + ".txt") + "|" + readRaw(logs + kDaily + ".txt"), "key2|key2");
    h.fakes.pickers.answers = {fromNativePath(logs + kDaily + ".txt")};
    f.appOpen->trigger();
    EXPECT_EQ(f.panel(2), "logs 日報.txt ");

    ASSERT_TRUE(f.File1->selectFile(name));
    h.fakes.prompts.popupChoices = {"メモ帳で開く"};
    f.File1_MouseDown(Qt::RightButton, QPoint(1, 1));
    ASSERT_EQ(h.fakes.launcher.starts.size(), 1);
    EXPECT_EQ(toNativePath(h.fakes.launcher.starts.first()), "xdg-open|" + logs + kLog + ".txt");
    f.appHt->trigger();
    EXPECT_TRUE(readRaw(logs + kLog + ".txt.html").startsWith("<HTML>"));
    EXPECT_EQ(f.panel(2), "logs ログ.txt.html ");

    soramie::Form3& search = f.loadForm3();
    search.txtType->setText("key2");
    search.Check1->setChecked(false);
    search.Command4_Click();
    ASSERT_EQ(search.List2->count(), 2);
    EXPECT_EQ(toNativePath(search.List2->item(0)->text()), logs + kLog + ".txt");
    EXPECT_EQ(shown(*search.List2, search.List2->item(0)->text()), h.root() + "/logs/ログ.txt");

    ASSERT_TRUE(f.File1->selectFile(name));
    f.Flag = 0;
    h.fakes.prompts.messages.clear();
    f.appDel->trigger();
    EXPECT_EQ(h.boxes(), (QStringList{"削除|削除しますか？\n" + h.root() + "/logs/ログ.txt", "完了|削除しました。"}));
    EXPECT_EQ(readRaw(logs + kLog + ".txt"), "<missing>");
}

TEST(ShiftJisNames, ACp932FolderIsListedDecodedSelectedByTypingAndEnteredWithEnter)
{
    Form1Harness h;
    auto& f = h.loadWith({{"a.txt", "a"}});
    const std::string folder = toNativePath(h.root()) + "/logs/" + kDaily;
    ASSERT_TRUE(writeRaw(folder + "/" + kLog + ".txt", "x"));
    soramie::testing::makeFolder(h.root() + "/logs/zz");
    f.Dir1->refresh();
    f.Dir1->setFocus();
    QKeyEvent typed(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QStringLiteral("日"));
    QCoreApplication::sendEvent(f.Dir1, &typed);
    ASSERT_EQ(f.Dir1->currentItem()->text(), "日報");
    QTest::keyClick(f.Dir1, Qt::Key_Return);
    EXPECT_EQ(toNativePath(f.Dir1->path()) + "|" + toNativePath(f.File1->path()), folder + "|" + folder);
    EXPECT_EQ(f.File1->names(), QStringList{fromNativePath(kLog + ".txt")});
    EXPECT_EQ(toNativePath(soramie::processFolder()), folder) << "the pickers start where the user browsed to";
}

}  // namespace
