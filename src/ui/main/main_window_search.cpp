// SPDX-License-Identifier: MIT
// MainWindow: the search and replace dialogs as the main window sees them, and the
// display button's path for a search hit.
#include "ui/main/main_window.h"

#include "document/find_keyword.h"
#include "ui/common/pane_command.h"
#include "ui/common/path_text.h"
#include "ui/common/status_text.h"
#include "ui/dialogs/replace_dialog.h"
#include "ui/dialogs/search_dialog.h"
#include "ui/pane/text_pane.h"

#include <QToolButton>

namespace soramie {

SearchDialog& MainWindow::loadSearchDialog() { return loadInto(dialogs_.search); }

ReplaceDialog& MainWindow::loadReplaceDialog() { return loadInto(dialogs_.replace); }

void MainWindow::unloadSearchDialog() { unloadFrom(dialogs_.search); }

void MainWindow::unloadReplaceDialog() { unloadFrom(dialogs_.replace); }

void MainWindow::showSearchDialog() { loadSearchDialog().present(); }

void MainWindow::showReplaceDialog() { loadReplaceDialog().present(); }

QString MainWindow::selectedSearchHit() const { return dialogs_.search ? dialogs_.search->selectedPath() : QString(); }

void MainWindow::removeSearchHit(const QString& path)
{
    if (dialogs_.search) dialogs_.search->removeSelectedHit(path);
}

void MainWindow::showSearchFolder(const QString& folder) { loadSearchDialog().setPanel(1, displayPath(folder)); }

bool MainWindow::selectKeyword(const QString& keyword)
{
    ui_.pane->setFocus();
    if (keyword.isEmpty()) {
        ui_.pane->setSelection(0, 0);
        return true;
    }
    const DocumentPtr doc = ui_.pane->document();
    if (!doc) return false;
    const std::u16string_view key(reinterpret_cast<const char16_t*>(keyword.utf16()),
                                  static_cast<std::size_t>(keyword.size()));
    // A hit at the end of a large file waits until the whole file is read and
    // indexed: the search runs as a command. Within another command (no user
    // input reaches the window then) it runs here.
    std::optional<CharPos> at;
    const auto find = [&](const CommandProgress& progress) {
        at = findFirstOccurrence(*doc, key, kFindChunkBytes, progress);
    };
    const CommandOutcome outcome = runCommand(*this, find);
    if (outcome == CommandOutcome::Busy) find({});
    if (outcome == CommandOutcome::OutOfMemory) {
        reportCommand(outcome);
        return true;  // reported; nothing selected
    }
    if (!at) return false;
    ui_.pane->setSelection(static_cast<qint64>(at->value), keyword.size());
    return true;
}

void MainWindow::showSearchHit()
{
    // With nothing listed, or no entry selected (its entry was deleted),
    // there is nothing to show: the button disables itself.
    const QString path = selectedSearchHit();
    if (!dialogs_.search || !dialogs_.search->hasHits() || path.isEmpty()) {
        ui_.showButton->setEnabled(false);
        return;
    }
    showSearchHitFile(path, dialogs_.search->keyword(), HitPress::DisplayButton);
}

void MainWindow::showSearchHitFile(const QString& path, const QString& keyword, HitPress press)
{
    if (!mayDropEdits()) return;
    enableDisplay();
    // Whether the file shown until now came from the result list: a quick
    // press selects the keyword only then.
    const bool shownFromHit = state_.shownFrom == ShownFrom::SearchHit;
    if (path.isEmpty()) {
        forgetShownFile();
        return;
    }
    const QString indent = press == HitPress::QuickPress ? QStringLiteral("        ") : QString();
    setPanel(3, indent + fileSizeText(readIntoPane(path), SizeUnit::Bytes));
    followShownFile();
    // A file that could not be read has been reported; for the display button
    // a file that no longer holds the keyword is reported here, once.
    if (!state_.shownPath.isEmpty()) {
        if (press == HitPress::DisplayButton) {
            if (!selectKeyword(keyword)) showCannotOpen();
        } else if (shownFromHit) {
            (void)selectKeyword(keyword);
        }
    }
    setCaption(keyword);
    if (press == HitPress::DisplayButton) setPanel(2, folderAndFileLabel(path));
}

}  // namespace soramie
