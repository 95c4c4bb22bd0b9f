// SPDX-License-Identifier: MIT
// MainWindow: save, save as, delete, HTML export and opening files in other programs.
//
// Every file these commands write goes through writeFileSafely: the old file
// stays intact until the new contents are on the disk, and a failure leaves the
// pane as it was. Programs are started through the platform launcher with the
// file as exactly one argument, never through a shell.
#include "ui/main/main_window.h"

#include "core/file_io.h"
#include "core/html_export.h"
#include "document/document.h"
#include "platform/qt_services.h"
#include "ui/common/pane_command.h"
#include "ui/common/path_text.h"
#include "ui/common/status_text.h"
#include "ui/main/file_browser.h"
#include "ui/pane/text_pane.h"

#include <QScrollBar>
#include <QToolButton>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>
#include <optional>

namespace soramie {

namespace {

using platform::Answer;
using platform::Buttons;
using platform::Icon;

// Why a write failed, in the user's words.
QString reasonText(const IoError& error)
{
    if (error.step == IoStep::FollowLink) {
        return error.errnoValue == ENOENT
                   ? QStringLiteral(
                         "リンク先のファイルがありません。シンボリックリンクの先に新しいファイルは作りません。")
                   : QStringLiteral(
                         "共有フォルダにある他のユーザーのシンボリックリンクです。安全のため、リンク先には書き込みませ"
                         "ん。");
    }
    switch (error.errnoValue) {
        case EACCES:
        case EPERM:
            return QStringLiteral("書き込みが許可されていません（読み取り専用です）。");
        case EROFS:
            return QStringLiteral("読み取り専用のドライブです。");
        case ENOENT:
            return QStringLiteral("保存先のフォルダがありません。");
        case ENOTDIR:
            return QStringLiteral("保存先のパスの途中にフォルダでないものがあります。");
        case EISDIR:
            return QStringLiteral("同じ名前のフォルダがあります。");
        case ENOSPC:
            return QStringLiteral("ディスクの空き容量が足りません。");
        case EDQUOT:
            return QStringLiteral("ディスクの使用量の上限を超えました。");
        case EIO:
            return QStringLiteral("ディスクの読み書きでエラーが起きました。");
        case ENAMETOOLONG:
            return QStringLiteral("ファイル名が長すぎます。");
        case ELOOP:
            return QStringLiteral("シンボリックリンクが循環しています。");
        case EBUSY:
        case ETXTBSY:
            return QStringLiteral("ファイルが使用中です。");
        case EINVAL:
            if (error.step == IoStep::Resolve) return QStringLiteral("通常のファイルではありません。");
            break;
        default:
            break;
    }
    return QStringLiteral("エラー番号 %1（%2）。")
        .arg(error.errnoValue)
        .arg(QString::fromLocal8Bit(std::strerror(error.errnoValue)));
}

void showWriteFailure(MainWindowPort& window, const QString& path, const IoError& error)
{
    // Only a failed rewrite in place can have touched the file.
    const QString outcome =
        error.step == IoStep::InPlace
            ? QStringLiteral("ファイルに直接書き込む途中で失敗したため、内容が壊れている可能性があります。")
            : QStringLiteral("元のファイルは変更されていません。");
    window.services().prompts.message(
        &window.widget(),
        {QStringLiteral("「%1」に保存できませんでした。\n%2\n%3").arg(displayPath(path), reasonText(error), outcome),
         QStringLiteral("エラー"), Buttons::Ok, Icon::Critical});
}

// After a successful write: remembers what the file now is for the pane's
// history, and says so when the file had to be rewritten in place.
void noteWritten(MainWindowPort& window, WrittenFiles& written, const QString& path, const WriteOutcome& outcome)
{
    const DocumentPtr history = window.pane().historyStart();
    if (written.history.lock() != history) written = {history, {}};
    written.stamps.insert(path, outcome.stamp);
    if (outcome.mode != WriteMode::InPlace) return;
    window.services().prompts.message(
        &window.widget(),
        {QStringLiteral("「%1」に直接上書きしました。\nフォルダに新しいファイルを作れないか、ファイルの所有者を保てない"
                        "ため、一時ファイルを使った安全な置き換えができませんでした。")
             .arg(displayPath(path)),
         QStringLiteral("警告"), Buttons::Ok, Icon::Warning});
}

// Before a save over target: when the file the pane's bytes came from has
// changed on disk since (a log that grew, a file replaced), the user decides;
// "いいえ" is the default. A file of another identity under another name (save
// as over some other file) and a file that is gone ask nothing.
bool confirmOverwriteChanged(MainWindowPort& window, const WrittenFiles& written, const QString& target,
                             const Document& doc)
{
    const bool wroteIt = written.history.lock() == window.pane().historyStart() && written.stamps.contains(target);
    const std::optional<FileStamp> known = wroteIt ? written.stamps.value(target) : doc.fileStamp();
    const std::optional<FileStamp> now = currentStamp(toNativePath(target));
    if (!now) return true;
    if (!known) {
        // Every document shown from a file carries its stamp; one that does not
        // cannot vouch that the file still holds what was read, so the user
        // decides before it is overwritten.
        if (target != window.shownPath()) return true;
        return window.services().prompts.message(
                   &window.widget(),
                   {QStringLiteral("表示後にファイルが変更されていないか確かめられません。上書きしますか？"),
                    QStringLiteral("警告"), Buttons::YesNo, Icon::Warning, Answer::No}) == Answer::Yes;
    }
    const bool sameFile = now->device == known->device && now->inode == known->inode;
    if (sameFile ? *now == *known : target != window.shownPath()) return true;
    return window.services().prompts.message(
               &window.widget(), {QStringLiteral("表示後にファイルが変更されています。上書きしますか？"),
                                  QStringLiteral("警告"), Buttons::YesNo, Icon::Warning, Answer::No}) == Answer::Yes;
}

// The first unencodable character of doc (a surrogate pair counts as one), its
// code point, and how many characters have no code.
struct Unencodable {
    char32_t first = 0;
    std::size_t count = 0;
};

Unencodable unencodableOf(const Document& doc)
{
    Unencodable u;
    const auto& subs = doc.substitutions();
    for (std::size_t i = 0; i < subs.size(); ++i) {
        const char16_t unit = subs[i].unit;
        char32_t code = unit;
        if (QChar::isHighSurrogate(unit) && i + 1 < subs.size() && QChar::isLowSurrogate(subs[i + 1].unit) &&
            subs[i + 1].at == subs[i].at + 1) {
            code = QChar::surrogateToUcs4(unit, subs[i + 1].unit);
            ++i;
        }
        if (u.count++ == 0) u.first = code;
    }
    return u;
}

// Asks before a save that would write '?' for characters CP932 cannot hold.
bool confirmLosses(MainWindowPort& window, const Document& doc)
{
    if (doc.unencodableCount() == 0) return true;
    const Unencodable u = unencodableOf(doc);
    const QString shown = QString::fromUcs4(&u.first, 1);
    const QString code = QStringLiteral("U+%1").arg(static_cast<uint>(u.first), 4, 16, QLatin1Char('0')).toUpper();
    const QString text = QStringLiteral(
                             "Shift-JIS で表せない文字が %1 個あります（最初の文字:「%2」%3）。\n"
                             "これらの文字は「?」として書き込まれるため、保存すると失われます。保存しますか？")
                             .arg(u.count)
                             .arg(shown, code);
    return window.services().prompts.message(
               &window.widget(), {text, QStringLiteral("警告"), Buttons::YesNo, Icon::Warning}) == Answer::Yes;
}

// Writes the pane's bytes to path: the bytes the document holds, so text the
// user did not change is written exactly as it was read. Nothing of the window
// changes; a failure is reported and leaves the pane as it was. Waiting for a
// file still being read, and the write with its flush, run as commands (the
// window paints and shows progress); the questions and reports come between
// them, on the GUI thread.
// After a save that put a new file at the shown file's path: bytes another
// program appended to the old file past `seen` (its size when the save began,
// before its questions) are appended to the new file, so no line written while
// the save asked or ran is lost. Bytes appended to the old file after this
// runs reach only the old file.
void carryLateAppends(const MainWindowPort& window, const Document& doc, const QString& path,
                      std::optional<std::uint64_t> seen, WriteMode mode)
{
    const std::optional<FileStamp> held = doc.fileStamp();
    const std::optional<std::uint64_t> now = doc.fileSizeNow();
    if (mode != WriteMode::Replaced || path != window.shownPath() || !held || !seen || !now || *now <= *seen ||
        *seen < held->size)
        return;
    const auto grown = doc.appended(*now);
    if (!grown) return;
    std::string scratch;
    const std::uint64_t from = doc.size().value + (*seen - held->size);
    const std::string_view late = (*grown)->bytes(ByteOffset(from), (*grown)->size(), scratch);
    const int fd = ::open(toNativePath(path).c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0) return;
    for (std::size_t done = 0; done < late.size();) {
        const ssize_t n = ::write(fd, late.data() + done, late.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
}

// After a save that put a new file under the shown name: the pane reads that
// file from now on (it holds the pane's bytes, then any carried appends), so
// following goes on in it. It is indexed as part of the save; the caret, the
// view and the undo history stay.
void moveToSavedFile(MainWindowPort& window, const std::string& target, const FileStamp& written, const Document& saved)
{
    auto loaded = Document::fromFile(target);
    if (!loaded) return;
    const Document& file = **loaded;
    const std::optional<FileStamp> stamp = file.fileStamp();
    if (!stamp || stamp->device != written.device || stamp->inode != written.inode) return;
    const auto index = [&file](const CommandProgress& progress) {
        while (!file.indexed()) {
            file.waitIndexedBeyond(file.indexedBytes());
            if (progress) progress(file.indexedBytes(), file.size());
        }
    };
    if (runCommand(window.widget(), index) == CommandOutcome::Busy) index({});
    if (!file.indexed() || file.shrank() || file.loadError() || file.size() < saved.size()) return;
    window.pane().adoptSavedFile(*loaded);
}

bool writePane(MainWindowPort& window, WrittenFiles& written, const QString& path)
{
    DocumentPtr doc = window.pane().document();
    if (!doc) doc = Document::empty();
    const std::optional<std::uint64_t> seen = doc->fileSizeNow();
    auto refused = [&window](CommandOutcome outcome) {
        window.reportCommand(outcome);
        return outcome != CommandOutcome::Done;
    };
    // Every byte read in place is checked against what was indexed (a command:
    // it waits until the file is read, and checks at memory speed).
    // Within another command (no user input reaches the window then) it runs here.
    std::optional<Result<std::vector<std::string_view>, IoError>> collected;
    const auto collect = [&](const CommandProgress& progress) {
        collected = doc->slicesToSave();
        if (progress) progress(ByteOffset(1), ByteOffset(1));
    };
    const CommandOutcome outcome = runCommand(window.widget(), collect);
    if (outcome == CommandOutcome::Busy) collect({});
    if (outcome == CommandOutcome::OutOfMemory) return refused(outcome);
    if (!*collected) {
        // The file changed under the document: its bytes are no longer what the
        // pane shows, and nothing is written.
        window.services().prompts.message(
            &window.widget(),
            {QStringLiteral(
                 "表示中のファイルが外部で変更されたため、「%1」に保存できません。\n表示中の内容は残っています。")
                 .arg(displayPath(path)),
             QStringLiteral("エラー"), Buttons::Ok, Icon::Critical});
        return false;
    }
    const std::vector<std::string_view> bytes = std::move(**collected);
    if (doc->loadError()) {
        window.services().prompts.message(
            &window.widget(),
            {QStringLiteral("表示中のファイルを最後まで読み込めなかったため、「%1」に保存できません。")
                 .arg(displayPath(path)),
             QStringLiteral("エラー"), Buttons::Ok, Icon::Critical});
        return false;
    }
    if (!confirmLosses(window, *doc) || !confirmOverwriteChanged(window, written, path, *doc)) return false;
    const std::string target = toNativePath(path);
    std::optional<Result<WriteOutcome, IoError>> result;
    if (refused(runCommand(window.widget(), [&](const CommandProgress& progress) {
            result = writeFileSafely(target, bytes, {}, progress);
        }))) {
        return false;
    }
    if (!*result) {
        showWriteFailure(window, path, result->error());
        return false;
    }
    carryLateAppends(window, *doc, path, seen, (*result)->mode);
    if (window.pane().document() == doc) window.pane().markSaved();
    noteWritten(window, written, path, **result);
    if ((*result)->mode == WriteMode::Replaced && path == window.shownPath() && window.pane().document() == doc)
        moveToSavedFile(window, target, (*result)->stamp, *doc);
    return true;
}

// Starts commandLine with file as one argument; tells the user when it cannot.
bool launch(MainWindowPort& window, const QString& commandLine, const QString& file)
{
    if (window.services().launcher.start(commandLine, file)) return true;
    const QStringList words = platform::commandWords(commandLine);
    const QString text = words.isEmpty() ? QStringLiteral("起動するプログラムが設定されていません。")
                                         : QStringLiteral("「%1」を起動できませんでした。").arg(words.first());
    window.services().prompts.message(&window.widget(), {text, QStringLiteral("エラー"), Buttons::Ok, Icon::Critical});
    return false;
}

// The delete steps for target: ask, remove, report, re-read the file list,
// drop the hit entry that named it, empty the pane, disable the display button.
// Every failure after the question (no target included) shows one message and
// changes nothing.
void deleteAfterAsking(MainWindowPort& window, const QString& target)
{
    platform::Prompts& prompts = window.services().prompts;
    // The second line names the file, so the answer is about the file the user means.
    QString question = QStringLiteral("削除しますか？");
    if (!target.isEmpty()) question += QLatin1Char('\n') + displayPath(target);
    if (prompts.message(&window.widget(), {question, QStringLiteral("削除"), Buttons::YesNo, Icon::Critical}) !=
        Answer::Yes) {
        return;
    }
    // A delete empties the pane.
    if (!target.isEmpty() && !window.mayDropEdits()) return;
    if (target.isEmpty() || !removeFile(toNativePath(target))) {
        prompts.message(&window.widget(), {QStringLiteral("ファイルが指定されていません"), QStringLiteral("エラー"),
                                           Buttons::Ok, Icon::Critical});
        return;
    }
    prompts.message(&window.widget(),
                    {QStringLiteral("削除しました。"), QStringLiteral("完了"), Buttons::Ok, Icon::Information});
    window.refreshFileList();
    window.removeSearchHit(target);
    window.forgetShownFile();
    window.setDisplayButtonEnabled(false);
}

}  // namespace

void MainWindow::save() { (void)saveShown(); }

bool MainWindow::saveShown()
{
    if (ui_.pane->sizeInBytes() == 0) return false;
    // Only the file the pane's bytes came from is ever overwritten; text from no
    // file is saved under a name the user picks.
    if (state_.shownPath.isEmpty()) {
        QString path = services_.pickers.showSaveDialog(this, platform::textFilter(), processFolder());
        if (path.isEmpty()) return false;
        if (!path.endsWith(QStringLiteral(".txt"))) path += QStringLiteral(".txt");
        return writePane(*this, written_, path);
    }
    const QScrollBar* bar = ui_.pane->verticalScrollBar();
    const bool atEnd = bar->value() >= bar->maximum();
    if (!writePane(*this, written_, state_.shownPath)) return false;
    // Lines the save carried after the pane's text are in sight while following.
    if (following() && atEnd) showPaneEnd();
    showWrittenSize();
    return true;
}

void MainWindow::showWrittenSize() { setPanel(3, fileSizeTextLike(panel(3), ui_.pane->sizeInBytes())); }

bool MainWindow::mayDropEdits()
{
    if (!ui_.pane->hasUnsavedEdits()) return true;
    const Answer answer = services_.prompts.message(
        this, {QStringLiteral("変更を保存しますか？"), QStringLiteral("確認"), Buttons::YesNoCancel, Icon::Question});
    if (answer == Answer::Cancel) return false;
    if (answer == Answer::No) return true;
    // Text that could not be saved is not dropped. An empty pane has nothing
    // to lose.
    return ui_.pane->sizeInBytes() == 0 || saveShown();
}

void MainWindow::saveAs()
{
    QString path = services_.pickers.showSaveDialog(this, platform::textFilter(), processFolder());
    if (path.isEmpty()) return;
    if (!path.endsWith(QStringLiteral(".txt"))) path += QStringLiteral(".txt");
    if (writePane(*this, written_, path) && path == state_.shownPath) showWrittenSize();
}

void MainWindow::deleteTargetFile()
{
    const QString name = ui_.fileList->fileName();
    deleteAfterAsking(*this, state_.shownFrom == ShownFrom::SearchHit
                                 ? selectedSearchHit()
                                 : (name.isEmpty() ? QString() : joinPath(ui_.fileList->path(), name)));
}

void MainWindow::deletePopupFile() { deleteAfterAsking(*this, state_.popupFile); }

void MainWindow::exportHtml()
{
    auto fail = [this] {
        services_.prompts.message(
            this, {QStringLiteral("ファイルを指定して下さい"), QStringLiteral("エラー"), Buttons::Ok, Icon::Critical});
    };
    const QString name = ui_.fileList->fileName();
    const QString source = name.isEmpty() ? selectedSearchHit() : joinPath(ui_.fileList->path(), name);
    if (source.isEmpty()) {
        fail();
        return;
    }
    if (!mayDropEdits()) return;
    state_.lastExportPath = source + QStringLiteral(".html");

    // The page is built from the source's bytes on disk (not from the pane),
    // window by window, so every character keeps its CP932 bytes (undecodable
    // ones included), and written while it is built: neither is held in
    // memory. The pane then shows the written page read in place. It runs as
    // a pane command: the window paints and shows progress meanwhile.
    const std::string sourcePath = toNativePath(source);
    const std::string pagePath = toNativePath(state_.lastExportPath);
    std::optional<Result<HtmlExport, HtmlExportError>> exported;
    std::optional<IoError> pageUnread;
    const CommandOutcome outcome = runPaneCommand(
        *ui_.pane,
        [&](const Document&, const CommandProgress& progress) -> DocumentPtr {
            exported = exportHtmlPage(sourcePath, pagePath, progress);
            if (!*exported) return nullptr;
            auto page = Document::fromFile(pagePath);
            if (!page) pageUnread = page.error();
            return page ? *page : nullptr;
        },
        CommandHistory::Fresh);
    const auto outOfMemory = [this] {
        services_.prompts.message(
            this, {QStringLiteral("メモリが足りません"), QStringLiteral("エラー"), Buttons::Ok, Icon::Critical});
    };
    if (outcome == CommandOutcome::OutOfMemory) {
        // Nothing was written; the pane keeps its text.
        outOfMemory();
        return;
    }
    if (outcome == CommandOutcome::Busy || !exported) return;
    if (!*exported && exported->error().stage == HtmlExportStage::ReadSource) {
        fail();
        return;
    }
    if (!*exported) {
        // The source has been read: the pane shows it, as after a display.
        if (auto shown = Document::fromFile(sourcePath)) ui_.pane->setDocument(*shown);
        state_.shownPath = source;
        enableDisplay();
        showWriteFailure(*this, state_.lastExportPath, exported->error().io);
        return;
    }
    noteWritten(*this, written_, state_.lastExportPath, (*exported)->written);
    if (pageUnread) {
        // The page is written but cannot be shown; the pane keeps its text.
        if (pageUnread->errnoValue == ENOMEM) {
            outOfMemory();
        } else {
            showCannotOpen();
        }
        return;
    }
    const std::uint64_t pageSize = ui_.pane->document()->size().value;
    state_.shownPath = state_.lastExportPath;

    if (!state_.settings.browserCommand.isEmpty() &&
        services_.prompts.message(this, {QStringLiteral("ブラウザで確かめますか？"), QStringLiteral("確認"),
                                         Buttons::YesNo, Icon::Question}) == Answer::Yes) {
        launch(*this, state_.settings.browserCommand,
               state_.lastExportPath);  // a browser that cannot start is reported; the export stands
    }
    setPanel(3, fileSizeText(QString::number(pageSize), SizeUnit::Bytes));
    setPanel(2, folderAndFileLabel(state_.lastExportPath));
    ui_.clearButton->setEnabled(true);
}

void MainWindow::openPopupFileInEditor() { launch(*this, notepadCommand(), state_.popupFile); }

void MainWindow::openPopupFileInProgram() { launch(*this, state_.settings.programCommand, state_.popupFile); }

}  // namespace soramie
