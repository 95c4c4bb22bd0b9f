// SPDX-License-Identifier: MIT
#include "ui/common/pane_command.h"

#include "ui/pane/text_pane.h"

#include <cstring>

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

DocumentPtr rewriteForCommand(const Document& doc, ByteRewriter& rewriter, const CommandProgress& progress,
                              std::optional<IoError>& failure)
{
    auto made = doc.rewritten(rewriter, progress);
    if (made) return *made;
    failure = made.error();
    return nullptr;
}

platform::MessageRequest rewriteFailureMessage(const IoError& failure)
{
    QString text;
    if (failure.step == IoStep::Verify) {
        text = QStringLiteral("表示中のファイルが外部で変更されたため、処理できません。");
    } else if (failure.step == IoStep::CreateTemp || failure.step == IoStep::Write) {
        text = QStringLiteral("作業用の一時ファイルに書き込めないため、処理できません（エラー番号 %1：%2）。")
                   .arg(failure.errnoValue)
                   .arg(QString::fromLocal8Bit(std::strerror(failure.errnoValue)));
    } else {
        text = QStringLiteral("表示中のファイルを読み込めないため、処理できません。");
    }
    return {text + QStringLiteral("\n表示中の内容は変わりません。"), QStringLiteral("エラー"), platform::Buttons::Ok,
            platform::Icon::Critical};
}

}  // namespace soramie
