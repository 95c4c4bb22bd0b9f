// SPDX-License-Identifier: MIT
#include "platform/file_names.h"
#include "platform/file_picker.h"
#include "platform/qt_services.h"
#include "support/fake_services.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeView>

#include <gtest/gtest.h>

namespace platform = soramie::platform;
using namespace soramie::testing;

namespace {

// Restores the process's current folder after a test that moves it.
struct CurrentFolderGuard {
    QString saved = QDir::currentPath();
    ~CurrentFolderGuard() { QDir::setCurrent(saved); }
};

TEST(Pickers, AChosenFileMovesTheCurrentFolderAndOnlyOpenSetsTheLastOpenFolder)
{
    CurrentFolderGuard guard;
    QTemporaryDir dir;
    ASSERT_TRUE(writeFile(dir.path() + "/catalog/log", "x") && makeFolder(dir.path() + "/out"));
    ScriptedPickers pickers;
    pickers.answers = {dir.path() + "/catalog/log", "", dir.path() + "/out/new.txt"};
    QStringList seen;
    const auto record = [&](const QString& answer) {
        seen << answer + "|" + pickers.lastOpenFolder() + "|" + QDir::currentPath();
    };
    record(pickers.showOpenDialog(nullptr, platform::textFilter(), "/start"));
    record(pickers.showOpenDialog(nullptr, platform::textFilter(), "/start"));  // a cancel
    record(pickers.showSaveDialog(nullptr, platform::textFilter(), "."));
    // The name "log" also occurs inside "catalog": only the final name is cut.
    const QString catalog = dir.path() + "/catalog";
    EXPECT_EQ(seen, QStringList({catalog + "/log|" + catalog + "/|" + catalog, "|" + catalog + "/|" + catalog,
                                 dir.path() + "/out/new.txt|" + catalog + "/|" + dir.path() + "/out"}));

    QWidget window;
    for (const int flag : {2, 1, 0}) EXPECT_EQ(pickers.setTopmost(&window, flag) != 0, flag != 2);
    EXPECT_EQ(pickers.stacking(&window), "+-");
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

}  // namespace
