// SPDX-License-Identifier: MIT
// File names that are not UTF-8 (Shift-JIS names from Windows archives): shown
// decoded, and every command of the main window and the pickers reach the same
// bytes. The pickers' bookkeeping and Qt's own texts in Japanese.
#include "platform/file_names.h"
#include "core/folder_listing.h"
#include "platform/file_picker.h"
#include "platform/qt_services.h"
#include "support/main_window_harness.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QTreeView>

#include <sys/stat.h>

#include <filesystem>

namespace platform = soramie::platform;
using soramie::fromNativePath;
using soramie::toNativePath;
using namespace soramie::testing;

namespace {

TEST(Pickers, AChosenFileMovesTheCurrentFolderAndOnlyOpenSetsTheLastOpenFolder)
{
    CurrentFolderGuard guard;
    QTemporaryDir dir;
    ASSERT_TRUE(writeFile(dir.path() + "/catalog/log", "x") && makeFolder(dir.path() + "/out"));
    ScriptedPickers pickers;
    pickers.answers = {dir.path() + "/catalog/log", dir.path() + "/out/new.txt"};
    pickers.showOpenDialog(nullptr, platform::textFilter(), "/start");
    pickers.showSaveDialog(nullptr, platform::textFilter(), ".");
    // The name "log" also occurs inside "catalog": only the final name is cut.
    EXPECT_EQ(pickers.lastChosenFolder() + "|" + QDir::currentPath(), dir.path() + "/catalog/|" + dir.path() + "/out");
}

// Every byte string comes back from the window's text exactly; the user reads
// UTF-8 names as they are and other names as CP932, name by name.
TEST(FileNames, PathsKeepTheirBytesAndShowEachNameAsUtf8OrElseCp932)
{
    const std::pair<std::string, QString> cases[] = {
        {"/\xe6\x97\xa5\xe5\xa0\xb1/\x83\x8d\x83\x4f.txt", "/日報/ログ.txt"},  // a UTF-8 folder, a CP932 file
        {"/\xf0\x9f\x98\x80", QString::fromUtf8("/\xf0\x9f\x98\x80")},
        // Overlong, surrogate and cut UTF-8 forms are not UTF-8: read as CP932.
        {"/\xc0\xaf/\xed\xa0\x80/\xe3\x81", QString::fromUtf8("/ﾀｯ/恝\xc2\x80/縺")},
        {"/\xb1\xb2\xff", "/ｱｲ\uF8F3"},
    };
    for (const auto& [bytes, shown] : cases) {
        const QString path = soramie::fromNativePath(bytes);
        EXPECT_EQ(soramie::toNativePath(path), bytes);
        EXPECT_EQ(soramie::displayPath(path), shown) << bytes;
    }
    std::string noise;
    for (unsigned i = 1; i < 20000; ++i) noise += static_cast<char>((i * 2654435761u) >> 24 | 1);
    EXPECT_EQ(soramie::toNativePath(soramie::fromNativePath(noise)), noise);
}

// What the file dialog lists, as shown.
QStringList listed(platform::FilePicker& picker)
{
    QStringList out;
    for (int row = 0; row < picker.pickerModel().rowCount(); ++row)
        out << picker.pickerModel().index(row, 0).data().toString();
    return out;
}

// Names Qt's own dialog leaves out (not UTF-8) or filters away ("*.*" read as
// "has a dot"): every one is listed under its filter, shown decoded and picked with its bytes.
TEST(Pickers, TheFileDialogListsEveryFileOfItsFilterShowsCp932NamesDecodedAndAnswersTheirBytes)
{
    QTemporaryDir dir;
    const QString sjis = soramie::fromNativePath("\x83\x8d\x83\x4f.txt");  // "ログ.txt" in CP932
    for (const QString& name : {sjis, QString("syslog"), QString("a.txt"), QString("prog"), QString(".hidden")})
        ASSERT_TRUE(writeFile(dir.path() + "/" + name, "x"));
    ASSERT_TRUE(QFile::setPermissions(dir.path() + "/prog", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    ASSERT_TRUE(makeFolder(dir.path() + "/sub"));

    platform::FilePicker open(nullptr, platform::textFilter(), dir.path(), platform::FilePicker::Mode::Open);
    EXPECT_EQ(listed(open), (QStringList{"sub", "a.txt", "ログ.txt"}));
    open.fileTypes->setCurrentIndex(1);
    emit open.fileTypes->activated(1);
    EXPECT_EQ(listed(open), (QStringList{"sub", "a.txt", "prog", "syslog", "ログ.txt"}));
    open.view->setCurrentIndex(open.pickerModel().index(4, 0));
    EXPECT_EQ(open.fileName->text(), "ログ.txt");
    open.accept();
    EXPECT_EQ(soramie::toNativePath(open.selectedPath()), soramie::toNativePath(dir.path() + "/" + sjis));

    platform::FilePicker program(nullptr, platform::programFilter(), dir.path() + "/sub/gone",
                                 platform::FilePicker::Mode::Open);
    EXPECT_EQ(program.pickerModel().folder() + "|" + listed(program).join(","), dir.path() + "/sub|");
    program.fileName->setText("..");
    program.accept();  // a folder typed is entered
    EXPECT_EQ(listed(program), (QStringList{"sub", "prog"}));
    EXPECT_TRUE(program.selectedPath().isEmpty());
}

// The save dialog chooses the typed name with the type's extension, and the
// replace question is about that file: "いいえ" keeps the dialog open.
TEST(Pickers, TheSaveDialogAsksAboutTheNameWithItsExtension)
{
    QTemporaryDir dir;
    ASSERT_TRUE(writeFile(dir.path() + "/memo.txt", "old"));
    platform::FilePicker save(nullptr, platform::textFilter(), dir.path(), platform::FilePicker::Mode::Save);
    QStringList asked;
    const auto answer = [&](QMessageBox::StandardButton button) {
        QTimer::singleShot(0, [&asked, button] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr) return;
            asked << box->text();
            box->button(button)->click();
        });
    };
    save.fileName->setText("memo");
    answer(QMessageBox::No);
    save.accept();
    EXPECT_EQ(asked, QStringList{"memo.txt は既に存在します。\n置き換えますか?"});
    EXPECT_TRUE(save.selectedPath().isEmpty() && save.result() != QDialog::Accepted);
    answer(QMessageBox::Yes);
    save.accept();
    EXPECT_EQ(save.selectedPath(), dir.path() + "/memo.txt");
    save.fileName->setText("new");
    save.accept();  // nothing to ask about
    EXPECT_EQ(asked.size(), 2);
    EXPECT_EQ(save.selectedPath(), dir.path() + "/new.txt");
}

// The file list and the pickers read a folder through one listing: both follow
// links and leave hidden entries out; only the file list leaves out what is not
// an ordinary file (a link that leads nowhere, a named pipe).
TEST(FolderListing, TheFileListAndThePickerSeeTheSameFolderAndOnlyTheListDropsWhatIsNoOrdinaryFile)
{
    QTemporaryDir dir;
    const QString d = dir.path();
    ASSERT_TRUE(writeFile(d + "/a.txt", "x") && writeFile(d + "/.hidden.txt", "h") && makeFolder(d + "/sub"));
    ASSERT_TRUE(QFile::link(d + "/a.txt", d + "/link.txt") && QFile::link(d + "/gone", d + "/broken.txt") &&
                QFile::link(d + "/sub", d + "/sublink"));
    ASSERT_EQ(::mkfifo(toNativePath(d + "/fifo.txt").c_str(), 0600), 0);

    const auto files = soramie::listMatchingFiles(toNativePath(d), "*.txt");
    const auto folders = soramie::listSubfolders(toNativePath(d));
    ASSERT_TRUE(files && folders);
    EXPECT_EQ(*files, (std::vector<std::string>{"a.txt", "link.txt"}));
    EXPECT_EQ(*folders, (std::vector<std::string>{"sub", "sublink"}));
    platform::FilePicker open(nullptr, platform::textFilter(), d, platform::FilePicker::Mode::Open);
    EXPECT_EQ(listed(open), (QStringList{"sub", "sublink", "a.txt", "broken.txt", "fifo.txt", "link.txt"}));
    EXPECT_FALSE(soramie::listSubfolders(toNativePath(d + "/missing")));
}

// Qt's own texts come from Qt's Japanese catalogue, whatever the locale.
TEST(QtTexts, StandardButtonsAndTheFileDialogsSpeakJapanese)
{
    QMessageBox box(QMessageBox::Question, "t", "q", QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    platform::FilePicker save(nullptr, platform::textFilter(), QDir::tempPath(), platform::FilePicker::Mode::Save);
    QStringList texts{box.button(QMessageBox::Yes)->text(), box.button(QMessageBox::Cancel)->text(), save.windowTitle(),
                      save.acceptButton->text()};
    for (const auto* label : save.findChildren<QLabel*>()) texts << label->text();
    texts << save.pickerModel().headerData(3, Qt::Horizontal, Qt::DisplayRole).toString();
    EXPECT_EQ(texts.join("|"),
              "はい(&Y)|キャンセル|名前を付けて保存|保存(&S)|ファイル名(&N):|ファイルの種類:|アドレス:|更新日");
}

// "ログ" and "日報" in CP932: neither is valid UTF-8.
const std::string kLog = "\x83\x8d\x83\x4f";
const std::string kDaily = "\x93\xfa\x95\xf1";

bool writeRaw(const std::string& path, const QByteArray& bytes) { return writeFile(fromNativePath(path), bytes); }
QByteArray readRaw(const std::string& path) { return bytesOf(fromNativePath(path)); }

// A program in a folder named in CP932 finds the settings file and readme.txt
// beside it: the paths keep the folder's bytes.
TEST(ProgramFiles, AFolderNamedInCp932KeepsItsBytesForTheSettingsAndTheReadme)
{
    QTemporaryDir dir;
    const std::string folder = toNativePath(dir.path()) + "/" + kLog;
    ASSERT_TRUE(writeRaw(folder + "/readme.txt", "\x93\xfa\x95\xf1 readme") &&
                writeRaw(folder + "/soramie.ini", "[main]\r\nname = x\r\n"));
    platform::AppInfo app;
    app.executableDir = fromNativePath(folder);
    app.baseName = "soramie";
    EXPECT_EQ(toNativePath(app.settingsPath()), folder + "/soramie.ini");
    EXPECT_EQ(soramie::AboutDialog::readmeText(app.readmePath()), QString::fromUtf8("日報 readme"));
    // The running program's own folder, as the kernel names it.
    const platform::AppInfo self = platform::currentAppInfo();
    EXPECT_EQ(toNativePath(self.executableDir) + "/" + toNativePath(self.baseName),
              std::filesystem::read_symlink("/proc/self/exe").string());
}

// What the list shows for one of its entries.
QString shown(const QAbstractItemView& view, const QString& entry)
{
    return static_cast<const QStyledItemDelegate*>(view.itemDelegate())->displayText(entry, QLocale());
}

TEST(ShiftJisNames, ACp932FileIsListedDecodedAndShownSavedLaunchedExportedSearchedAndDeleted)
{
    MainWindowHarness h;
    auto& f = h.loadWith({{"a.txt", "a"}});
    const std::string logs = toNativePath(h.root()) + "/logs/";
    ASSERT_TRUE(writeRaw(logs + kLog + ".txt", "key\r\n"));
    ui(f).fileList->refresh();
    const QString name = fromNativePath(kLog + ".txt");
    EXPECT_EQ(shown(*ui(f).fileList, name), "ログ.txt");
    h.show(name);
    EXPECT_EQ(ui(f).pane->text() + "|" + f.panel(2) + "|" + f.panel(3), "key\r\n|logs ログ.txt |File Size 5 byte");

    ui(f).pane->setText("key2");
    ui(f).saveAction->trigger();
    h.fakes.pickers.answers = {fromNativePath(logs + kDaily + ".txt")};
    ui(f).saveAsAction->trigger();
    EXPECT_EQ(readRaw(logs + kLog + ".txt") + "|" + readRaw(logs + kDaily + ".txt"), "key2|key2");
    h.fakes.pickers.answers = {fromNativePath(logs + kDaily + ".txt")};
    ui(f).openAction->trigger();
    EXPECT_EQ(f.panel(2), "logs 日報.txt ");

    ASSERT_TRUE(ui(f).fileList->selectFile(name));
    h.fakes.prompts.popupChoices = {"メモ帳で開く"};
    f.onFileListPressed(Qt::RightButton, QPoint(1, 1));
    ASSERT_EQ(h.fakes.launcher.starts.size(), 1);
    EXPECT_EQ(toNativePath(h.fakes.launcher.starts.first()), "xdg-open|" + logs + kLog + ".txt");
    ui(f).exportHtmlAction->trigger();
    EXPECT_TRUE(readRaw(logs + kLog + ".txt.html").startsWith("<HTML>"));
    EXPECT_EQ(f.panel(2), "logs ログ.txt.html ");

    soramie::SearchDialog& search = f.loadSearchDialog();
    search.keywordField->setText("key2");
    search.subfoldersCheck->setChecked(false);
    search.startSearch();
    ASSERT_EQ(search.hitList->count(), 2);
    EXPECT_EQ(toNativePath(search.hitList->item(0)->text()), logs + kLog + ".txt");
    EXPECT_EQ(shown(*search.hitList, search.hitList->item(0)->text()), h.root() + "/logs/ログ.txt");

    ASSERT_TRUE(ui(f).fileList->selectFile(name));
    viewerState(f).shownFrom = soramie::ShownFrom::FileList;
    h.fakes.prompts.messages.clear();
    ui(f).deleteFileAction->trigger();
    EXPECT_EQ(h.boxes(), (QStringList{"削除|削除しますか？\n" + h.root() + "/logs/ログ.txt", "完了|削除しました。"}));
    EXPECT_EQ(readRaw(logs + kLog + ".txt"), "<missing>");
}

TEST(ShiftJisNames, ACp932FolderIsListedDecodedSelectedByTypingAndEnteredWithEnter)
{
    MainWindowHarness h;
    auto& f = h.loadWith({{"a.txt", "a"}});
    const std::string folder = toNativePath(h.root()) + "/logs/" + kDaily;
    ASSERT_TRUE(writeRaw(folder + "/" + kLog + ".txt", "x"));
    soramie::testing::makeFolder(h.root() + "/logs/zz");
    ui(f).folderList->refresh();
    ui(f).folderList->setFocus();
    QKeyEvent typed(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QStringLiteral("日"));
    QCoreApplication::sendEvent(ui(f).folderList, &typed);
    ASSERT_EQ(ui(f).folderList->currentItem()->text(), "日報");
    QTest::keyClick(ui(f).folderList, Qt::Key_Return);
    EXPECT_EQ(toNativePath(ui(f).folderList->path()) + "|" + toNativePath(ui(f).fileList->path()),
              folder + "|" + folder);
    EXPECT_EQ(ui(f).fileList->names(), QStringList{fromNativePath(kLog + ".txt")});
    EXPECT_EQ(toNativePath(soramie::processFolder()), folder) << "the pickers start where the user browsed to";
}

}  // namespace
