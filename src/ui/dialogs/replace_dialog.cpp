// SPDX-License-Identifier: MIT
#include "ui/dialogs/replace_dialog.h"

#include "core/replace.h"
#include "ui/common/main_window_port.h"
#include "ui/common/pane_command.h"
#include "ui/common/twips.h"
#include "ui/pane/text_pane.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>

#include <optional>
#include <string>

namespace soramie {

using twips::control;

namespace {

const QString kRangeMark = QStringLiteral("～");

std::u16string_view view(const QString& text)
{
    return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())};
}

// A replacement ran out of memory; the pane keeps its text.
platform::MessageRequest outOfMemory()
{
    return {QStringLiteral("メモリが足りません"), QStringLiteral("エラー"), platform::Buttons::Ok,
            platform::Icon::Critical};
}

}  // namespace

// Below the search dialog, so the two do not cover each other.
constexpr Twips kReplaceFromTop(3300);

ReplaceDialog::ReplaceDialog(MainWindowPort& main) : DialogWindow(main, kReplaceFromTop)
{
    setObjectName(QStringLiteral("ReplaceDialog"));
    setWindowTitle(QStringLiteral("置換"));
    setFixedSize(twips::px(5820), twips::px(1470));

    const auto button = [this](const char* name, const QString& caption, int left, int width) {
        return control(new QPushButton(caption, this), name, caption, left, 120, width, 300);
    };
    replaceAllButton = button("replaceAllButton", QStringLiteral("一括置換"), 120, 1208);
    clearButton = button("clearButton", QStringLiteral("クリア"), 1440, 1208);
    switchModeButton = button("switchModeButton", QStringLiteral("置換方法変更"), 2760, 1425);
    control(new QLabel(QStringLiteral("対象文字列"), this), "targetLabel", QString(), 120, 540, 975, 300);
    findOrStartField =
        control(new QLineEdit(this), "findOrStartField", QStringLiteral("置換範囲(始点)"), 1080, 480, 2175, 300);
    rangeMarkLabel = control(new QLabel(kRangeMark, this), "rangeMarkLabel", QString(), 3360, 600, 375, 255);
    endField = control(new QLineEdit(this), "endField", QStringLiteral("置換範囲(終点)"), 3600, 480, 2175, 300);
    control(new QLabel(QStringLiteral("置換文字列"), this), "replacementLabel", QString(), 120, 900, 975, 300);
    replacementField =
        control(new QLineEdit(this), "replacementField", QStringLiteral("置換後文字列"), 1080, 840, 2175, 300);
    skipInsideReplacementCheck = control(new QCheckBox(QStringLiteral(" 置換済みチェック"), this),
                                         "skipInsideReplacementCheck", QString(), 120, 1200, 2175, 255);
    skipInsideReplacementCheck->setChecked(true);
    skipInsideReplacementCheck->hide();

    setTabOrder(replaceAllButton, clearButton);
    setTabOrder(clearButton, switchModeButton);
    setTabOrder(switchModeButton, findOrStartField);
    setTabOrder(findOrStartField, endField);
    setTabOrder(endField, skipInsideReplacementCheck);
    setTabOrder(skipInsideReplacementCheck, replacementField);

    // The mode lives in the main window and outlasts the dialog: a dialog
    // created while simple mode is on shows the simple layout, so the screen
    // never promises a confirmed range replacement that would not happen.
    if (main_.replaceMode() == ReplaceMode::Simple) showSimpleLayout(QStringLiteral("単純指定置換"));

    connect(replaceAllButton, &QPushButton::clicked, this, &ReplaceDialog::replaceAll);
    connect(clearButton, &QPushButton::clicked, this, &ReplaceDialog::clearFields);
    connect(switchModeButton, &QPushButton::clicked, this, &ReplaceDialog::switchMode);
}

ReplaceDialog::~ReplaceDialog() = default;

void ReplaceDialog::showSimpleLayout(const QString& caption)
{
    endField->hide();
    rangeMarkLabel->setText(QString());
    skipInsideReplacementCheck->show();
    switchModeButton->setText(caption);
    switchModeButton->setToolTip(caption);
    findOrStartField->setToolTip(QStringLiteral("置換前文字列"));
    replacementField->setToolTip(QStringLiteral("置換後文字列"));
}

void ReplaceDialog::showRangeLayout(const QString& caption)
{
    endField->show();
    rangeMarkLabel->setText(kRangeMark);
    skipInsideReplacementCheck->hide();
    switchModeButton->setText(caption);
    switchModeButton->setToolTip(caption);
    findOrStartField->setToolTip(QStringLiteral("置換範囲(始点)"));
    endField->setToolTip(QStringLiteral("置換範囲(終点)"));
}

void ReplaceDialog::switchMode()
{
    const Handling handling(*this);
    if (main_.replaceMode() == ReplaceMode::Range) {
        main_.setReplaceMode(ReplaceMode::Simple);
        showSimpleLayout(QStringLiteral("単純指定置換"));
    } else {
        main_.setReplaceMode(ReplaceMode::Range);
        showRangeLayout(QStringLiteral("範囲指定置換"));
    }
}

void ReplaceDialog::clearFields()
{
    const Handling handling(*this);
    findOrStartField->clear();
    endField->clear();
    replacementField->clear();
}

void ReplaceDialog::replaceAll()
{
    const Handling handling(*this);
    if (main_.replaceMode() == ReplaceMode::Range) {
        replaceRange();
    } else {
        replaceSimple();
    }
}

void ReplaceDialog::replaceRange()
{
    // The dialog leaves the always-on-top state at its first box and takes it
    // again when the command ends.
    bool paused = false;
    const auto message = [this, &paused](const platform::MessageRequest& request) {
        if (!paused) setAlwaysOnTop(false);
        paused = true;
        return main_.services().prompts.message(boxOwner(), request);
    };
    const auto resume = qScopeGuard([this, &paused] {
        if (paused) setAlwaysOnTop(true);
    });
    if (findOrStartField->text().isEmpty() || endField->text().isEmpty()) {
        message({QStringLiteral("検索範囲を指定して下さい"), QStringLiteral("警告"), platform::Buttons::Ok,
                 platform::Icon::Warning});
        return;
    }
    const platform::Answer answer = message(
        {QStringLiteral("置換しますか？"), QStringLiteral("置換"), platform::Buttons::YesNo, platform::Icon::Critical});
    if (answer != platform::Answer::Yes) return;

    const std::u16string start(view(findOrStartField->text()));
    const std::u16string end(view(endField->text()));
    const std::u16string with(view(replacementField->text()));
    std::size_t count = 0;
    std::optional<IoError> failure;
    const CommandOutcome outcome =
        runPaneCommand(main_.pane(), [&](const Document& doc, const CommandProgress& progress) {
            // First where the last end marker lies, then the replacement: each half of the progress.
            LastMarkerScan scan(end);
            doc.rewrite(scan, [&](ByteOffset done, ByteOffset total) { progress(done, total + total.value); });
            RangeReplaceStream replace(start, end, with, scan.last());
            DocumentPtr made = rewriteForCommand(
                doc, replace,
                [&](ByteOffset done, ByteOffset total) { progress(done + total.value, total + total.value); }, failure);
            count = replace.count();
            return count == 0 ? nullptr : made;
        });
    if (outcome == CommandOutcome::OutOfMemory) message(outOfMemory());
    if (failure) message(rewriteFailureMessage(*failure));
    if (outcome == CommandOutcome::OutOfMemory || outcome == CommandOutcome::Busy || failure) return;
    message({QString::number(count) + QStringLiteral("個の項目を置換しました。"), QStringLiteral("置換結果"),
             platform::Buttons::Ok, platform::Icon::Information});
    clearFields();
}

void ReplaceDialog::replaceSimple()
{
    const auto inside = skipInsideReplacementCheck->isChecked() ? InsideReplacement::Skip : InsideReplacement::Replace;
    const std::u16string from(view(findOrStartField->text()));
    const std::u16string to(view(replacementField->text()));
    std::optional<IoError> failure;
    const CommandOutcome outcome =
        runPaneCommand(main_.pane(), [&](const Document& doc, const CommandProgress& progress) {
            if (from.empty()) return DocumentPtr();  // the text stays as it was
            StringReplaceStream replace(from, to, inside);
            return rewriteForCommand(doc, replace, progress, failure);
        });
    if (outcome == CommandOutcome::OutOfMemory || failure) {
        setAlwaysOnTop(false);
        main_.services().prompts.message(boxOwner(), failure ? rewriteFailureMessage(*failure) : outOfMemory());
        setAlwaysOnTop(true);
    }
}

}  // namespace soramie
