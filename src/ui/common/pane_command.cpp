// SPDX-License-Identifier: MIT
#include "ui/common/pane_command.h"

#include "ui/pane/text_pane.h"

namespace soramie {

CommandOutcome runPaneCommand(TextPane& pane, const CommandWork& work, CommandHistory history)
{
    const DocumentPtr doc = pane.document() ? pane.document() : Document::empty();
    DocumentPtr result;
    const CommandOutcome outcome =
        runCommand(pane, [&](const CommandProgress& progress) { result = work(*doc, progress); });
    if (outcome != CommandOutcome::Done) return outcome;
    if (!result) return CommandOutcome::Unchanged;
    if (history == CommandHistory::Step) {
        pane.setDocumentAsStep(result);
    } else {
        pane.setDocument(result);
    }
    return CommandOutcome::Done;
}

}  // namespace soramie
