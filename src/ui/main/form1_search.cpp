// SPDX-License-Identifier: MIT
// Form1: the search and replace dialogs as the main window sees them, and the
// display button's path for a search hit.
#include "ui/main/form1.h"

#include "ui/common/path_text.h"
#include "ui/dialogs/find_keyword.h"
#include "ui/dialogs/form3.h"
#include "ui/dialogs/form4.h"
#include "ui/pane/pane_command.h"
#include "ui/pane/text_pane.h"

#include <QLineEdit>
#include <QToolButton>

namespace soramie {

Form3& Form1::loadForm3()
{
    if (!form3) form3 = track(new Form3(*this), form3);
    return *form3;
}

Form4& Form1::loadForm4()
{
    if (!form4) form4 = track(new Form4(*this), form4);
    return *form4;
}

void Form1::unloadForm3()
{
    if (Form3* dialog = form3.data()) {
        form3.clear();
        dialog->unload();
    }
}

void Form1::unloadForm4()
{
    if (Form4* dialog = form4.data()) {
        form4.clear();
        dialog->unload();
    }
}

void Form1::appSword_Click() { loadForm3().present(); }

void Form1::appOki_Click() { loadForm4().present(); }

void Form1::showSearchFolder(const QString& folder) { loadForm3().setPanel(1, displayPath(folder)); }

bool Form1::selectKeyword(const QString& keyword)
{
    Text1->setFocus();
    if (keyword.isEmpty()) {
        Text1->setSelection(0, 0);
        return true;
    }
    const DocumentPtr doc = Text1->document();
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
    Text1->setSelection(static_cast<qint64>(at->value), keyword.size());
    return true;
}

void Form1::showSearchHit()
{
    // With nothing listed, or no entry selected (its entry was deleted),
    // there is nothing to show: the button disables itself.
    const QString path = form3 ? form3->selectedPath() : QString();
    if (!form3 || form3->List2->count() == 0 || form3->List2->item(0)->text().isEmpty() || path.isEmpty()) {
        Command1->setEnabled(false);
        return;
    }
    if (!mayDropEdits()) return;
    enableDisplay();
    DisplayFile(path);
    const QString keyword = form3->txtType->text();
    // A file that could not be read has been reported by DisplayFile; a file
    // that no longer holds the keyword is reported here, once.
    if (!shownPath.isEmpty() && !selectKeyword(keyword)) showCannotOpen();
    setCaption(keyword);
    setPanel(2, folderFileLabel(path));
}

}  // namespace soramie
