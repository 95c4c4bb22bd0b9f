// SPDX-License-Identifier: MIT
#include "ui/dialogs/form4.h"

#include "core/replace.h"
#include "ui/common/main_window_port.h"
#include "ui/common/twips.h"
#include "ui/pane/pane_command.h"
#include "ui/pane/text_pane.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>

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

Form4::Form4(MainWindowPort& main) : DialogWindow(main, kReplaceFromTop)
{
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("置換"));
    setFixedSize(twips::px(5820), twips::px(1470));

    const auto button = [this](const char* name, const QString& caption, int left, int width) {
        return control(new QPushButton(caption, this), name, caption, left, 120, width, 300);
    };
    cmdReplace = button("cmdReplace", QStringLiteral("一括置換"), 120, 1208);
    Command5 = button("Command5", QStringLiteral("クリア"), 1440, 1208);
    Command11 = button("Command11", QStringLiteral("置換方法変更"), 2760, 1425);
    Label1 = control(new QLabel(QStringLiteral("対象文字列"), this), "Label1", QString(), 120, 540, 975, 300);
    txtFndStartString =
        control(new QLineEdit(this), "txtFndStartString", QStringLiteral("置換範囲(始点)"), 1080, 480, 2175, 300);
    Label3 = control(new QLabel(kRangeMark, this), "Label3", QString(), 3360, 600, 375, 255);
    txtFndEndString =
        control(new QLineEdit(this), "txtFndEndString", QStringLiteral("置換範囲(終点)"), 3600, 480, 2175, 300);
    Label2 = control(new QLabel(QStringLiteral("置換文字列"), this), "Label2", QString(), 120, 900, 975, 300);
    txtRepString = control(new QLineEdit(this), "txtRepString", QStringLiteral("置換後文字列"), 1080, 840, 2175, 300);
    Check3 =
        control(new QCheckBox(QStringLiteral(" 置換済みチェック"), this), "Check3", QString(), 120, 1200, 2175, 255);
    Check3->setChecked(true);
    Check3->hide();

    setTabOrder(cmdReplace, Command5);
    setTabOrder(Command5, Command11);
    setTabOrder(Command11, txtFndStartString);
    setTabOrder(txtFndStartString, txtFndEndString);
    setTabOrder(txtFndEndString, Check3);
    setTabOrder(Check3, txtRepString);

    // The mode lives in the main window and outlasts the dialog: a dialog
    // created while simple mode is on shows the simple layout, so the screen
    // never promises a confirmed range replacement that would not happen.
    if (main_.state().flagb != 0) showSimpleLayout(QStringLiteral("単純指定置換"));

    connect(cmdReplace, &QPushButton::clicked, this, &Form4::cmdReplace_Click);
    connect(Command5, &QPushButton::clicked, this, &Form4::Command5_Click);
    connect(Command11, &QPushButton::clicked, this, &Form4::Command11_Click);
}

Form4::~Form4() = default;

void Form4::showSimpleLayout(const QString& caption)
{
    txtFndEndString->hide();
    Label3->setText(QString());
    Check3->show();
    Command11->setText(caption);
    Command11->setToolTip(caption);
    txtFndStartString->setToolTip(QStringLiteral("置換前文字列"));
    txtRepString->setToolTip(QStringLiteral("置換後文字列"));
}

void Form4::showRangeLayout(const QString& caption)
{
    txtFndEndString->show();
    Label3->setText(kRangeMark);
    Check3->hide();
    Command11->setText(caption);
    Command11->setToolTip(caption);
    txtFndStartString->setToolTip(QStringLiteral("置換範囲(始点)"));
    txtFndEndString->setToolTip(QStringLiteral("置換範囲(終点)"));
}

void Form4::Command11_Click()
{
    const Handling handling(*this);
    int& flagb = main_.state().flagb;
    if (flagb == 0) {
        flagb = 1;
        showSimpleLayout(QStringLiteral("単純指定置換"));
    } else {
        flagb = 0;
        showRangeLayout(QStringLiteral("範囲指定置換"));
    }
}

void Form4::Command5_Click()
{
    const Handling handling(*this);
    txtFndStartString->clear();
    txtFndEndString->clear();
    txtRepString->clear();
}

void Form4::cmdReplace_Click()
{
    const Handling handling(*this);
    if (main_.state().flagb == 0) {
        replaceRange();
    } else {
        replaceSimple();
    }
}

void Form4::replaceRange()
{
    // The dialog leaves the always-on-top state at its first box and takes it
    // again when the command ends.
    bool paused = false;
    const auto message = [this, &paused](const platform::MessageRequest& request) {
        if (!paused) setTopmost(0);
        paused = true;
        return main_.services().prompts.message(boxOwner(), request);
    };
    const auto resume = qScopeGuard([this, &paused] {
        if (paused) setTopmost(1);
    });
    if (txtFndStartString->text().isEmpty() || txtFndEndString->text().isEmpty()) {
        message({QStringLiteral("検索範囲を指定して下さい"), QStringLiteral("警告"), platform::Buttons::Ok,
                 platform::Icon::Warning});
        return;
    }
    const platform::Answer answer = message(
        {QStringLiteral("置換しますか？"), QStringLiteral("置換"), platform::Buttons::YesNo, platform::Icon::Critical});
    if (answer != platform::Answer::Yes) return;

    const std::u16string start(view(txtFndStartString->text()));
    const std::u16string end(view(txtFndEndString->text()));
    const std::u16string with(view(txtRepString->text()));
    std::size_t count = 0;
    const CommandOutcome outcome =
        runPaneCommand(main_.pane(), [&](const Document& doc, const CommandProgress& progress) {
            // First where the last end marker lies, then the replacement: each half of the progress.
            LastMarkerScan scan(end);
            doc.rewrite(scan, [&](ByteOffset done, ByteOffset total) { progress(done, total + total.value); });
            RangeReplaceStream replace(start, end, with, scan.last());
            std::string bytes = doc.rewrite(
                replace, [&](ByteOffset done, ByteOffset total) { progress(done + total.value, total + total.value); });
            count = replace.count();
            return count == 0 ? nullptr : Document::fromRewrite(std::move(bytes), replace);
        });
    if (outcome == CommandOutcome::OutOfMemory) message(outOfMemory());
    if (outcome == CommandOutcome::OutOfMemory || outcome == CommandOutcome::Busy) return;
    message({QString::number(count) + QStringLiteral("個の項目を置換しました。"), QStringLiteral("置換結果"),
             platform::Buttons::Ok, platform::Icon::Information});
    Command5_Click();
}

void Form4::replaceSimple()
{
    const bool fNormalRep = !Check3->isChecked();
    const std::u16string from(view(txtFndStartString->text()));
    const std::u16string to(view(txtRepString->text()));
    const CommandOutcome outcome =
        runPaneCommand(main_.pane(), [&](const Document& doc, const CommandProgress& progress) {
            if (from.empty()) return DocumentPtr();  // the text stays as it was
            ChrReplaceStream replace(from, to, fNormalRep);
            return Document::fromRewrite(doc.rewrite(replace, progress), replace);
        });
    if (outcome == CommandOutcome::OutOfMemory) {
        setTopmost(0);
        main_.services().prompts.message(boxOwner(), outOfMemory());
        setTopmost(1);
    }
}

}  // namespace soramie
