// SPDX-License-Identifier: MIT
#include "ui/dialogs/settings_dialog.h"

#include "settings/settings.h"
#include "ui/common/main_window_port.h"
#include "ui/common/path_text.h"
#include "ui/common/twips.h"
#include "ui/pane/text_pane.h"

#include <QAction>
#include <QFontMetrics>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <cerrno>
#include <vector>

namespace soramie {

namespace {

using twips::place;

// Lets only the digits 0-9 and Backspace be typed into a numeric field. Other
// typed characters (letters, signs, Enter, and the control characters of the
// paste, copy, cut, undo and select-all shortcuts) are discarded. Keys that type
// nothing (arrows, Home, End, Delete, Tab) keep their usual meaning.
class DigitsOnly final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
        const auto* key = static_cast<QKeyEvent*>(event);
        switch (key->key()) {
            case Qt::Key_Backspace:
            case Qt::Key_Delete:
            case Qt::Key_Tab:
            case Qt::Key_Backtab:
                return false;
            default:
                break;
        }
        if (key->matches(QKeySequence::Paste) || key->matches(QKeySequence::Cut) || key->matches(QKeySequence::Copy) ||
            key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo) ||
            key->matches(QKeySequence::SelectAll)) {
            return true;
        }
        const bool command = key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
        const QString text = key->text();
        if (text.isEmpty() && !command) return false;  // navigation: not a typed character
        const bool digit = !command && text.size() == 1 && text[0] >= QLatin1Char('0') && text[0] <= QLatin1Char('9');
        return !digit;
    }
};

QLabel* label(QWidget* parent, const char* name, const QString& caption, int l, int t, int w, int h)
{
    auto* out = new QLabel(caption, parent);
    out->setObjectName(QString::fromLatin1(name));
    place(out, l, t, w, h);
    return out;
}

// Every label beside its field, all in one font size: a label may reach to
// its field, and when a caption is still wider than that, every label gets the
// smaller font at which each caption fits; none is cut off.
void fitLabels(const std::vector<std::pair<QLabel*, QWidget*>>& besideField)
{
    const int gap = twips::px(60);
    QFont font = besideField.front().first->font();
    for (const auto& [label, field] : besideField) {
        label->resize(std::max(label->width(), field->x() - gap - label->x()), label->height());
        while (QFontMetrics(font).horizontalAdvance(label->text()) > label->width() && font.pointSizeF() > 6.0) {
            font.setPointSizeF(font.pointSizeF() - 0.5);
        }
    }
    for (const auto& pair : besideField) pair.first->setFont(font);
}

QLineEdit* field(QWidget* parent, const char* name, const QString& text, const QString& toolTip, int l, int t, int w,
                 int h)
{
    auto* out = new QLineEdit(text, parent);
    out->setObjectName(QString::fromLatin1(name));
    if (!toolTip.isEmpty()) out->setToolTip(toolTip);
    place(out, l, t, w, h);
    return out;
}

QPushButton* button(QWidget* parent, const char* name, const QString& caption, int l, int t, int w, int h)
{
    auto* out = new QPushButton(caption, parent);
    out->setObjectName(QString::fromLatin1(name));
    out->setAutoDefault(false);
    place(out, l, t, w, h);
    // A caption wider than the small "..." buttons gets a smaller font: never cut off.
    QFont font = out->font();
    while (QFontMetrics(font).horizontalAdvance(caption) + 4 > out->width() && font.pointSizeF() > 6.0) {
        font.setPointSizeF(font.pointSizeF() - 0.5);
    }
    if (font != out->font()) out->setFont(font);
    return out;
}

QGroupBox* frame(QWidget* parent, const char* name, const QString& caption, int l, int t, int w, int h)
{
    auto* out = new QGroupBox(caption, parent);
    out->setObjectName(QString::fromLatin1(name));
    place(out, l, t, w, h);
    return out;
}

// Makes field a numeric field: the key filter, no input method, no drops, and
// the refill with defaultText whenever it becomes empty.
void numeric(QLineEdit* field, QObject* filter, const QString& defaultText)
{
    field->installEventFilter(filter);
    field->setAttribute(Qt::WA_InputMethodEnabled, false);
    field->setAcceptDrops(false);
    QObject::connect(field, &QLineEdit::textChanged, field, [field, defaultText](const QString& text) {
        if (text.isEmpty()) field->setText(defaultText);
    });
}

}  // namespace

SettingsDialog::SettingsDialog(MainWindowPort& main) : DialogWindow(main, Twips(0))
{
    setObjectName(QStringLiteral("SettingsDialog"));
    setWindowTitle(QStringLiteral("設定"));
    setFixedSize(twips::px(4815), twips::px(4095));
    // Frames with their caption on the top border line, so the controls fit
    // under the caption at their places.
    setStyleSheet(
        QStringLiteral("QGroupBox { border: 1px solid palette(mid); border-radius: 2px; margin-top: 7px; }"
                       "QGroupBox::title { subcontrol-origin: margin; left: 6px; padding: 0px 2px; }"));
    buildControls();

    // Load step: the program and its name are read again from the file.
    UserSettings& values = main_.userSettings();
    const settings::SettingsFile file(toNativePath(main_.services().app.settingsPath()));
    values.programCommand = QString::fromStdU16String(file.readSetting(settings::kSection, settings::kProgram, u""));
    values.programName = QString::fromStdU16String(file.readSetting(settings::kSection, settings::kName, u""));
    browserField->setText(values.browserCommand);
    workFolderField->setText(values.workFolder);
    programNameField->setText(values.programName);
    programField->setText(values.programCommand);
}

SettingsDialog::~SettingsDialog() = default;

QString SettingsDialog::sizeText(Twips set, int pixels)
{
    return QString::number((set.toPixels() == pixels ? set : Twips::fromPixels(pixels)).value);
}

void SettingsDialog::buildControls()
{
    QGroupBox* displayGroup = frame(this, "displayGroup", QStringLiteral("【表示領域】"), 120, 120, 4575, 975);
    QLabel* heightLabel = label(displayGroup, "heightLabel", QStringLiteral("高さ"), 240, 285, 375, 255);
    paneHeightField =
        field(displayGroup, "paneHeightField", defaultHeight(), QStringLiteral("表示領域の高さ"), 720, 240, 1215, 270);
    QLabel* wrapCountLabel =
        label(displayGroup, "wrapCountLabel", QStringLiteral("折返し文字数"), 2040, 290, 1095, 255);
    wrapCountField = field(displayGroup, "wrapCountField", defaultWrapCount(), QStringLiteral("折り返す文字数"), 3240,
                           240, 1215, 270);
    QLabel* widthLabel = label(displayGroup, "widthLabel", QStringLiteral("幅"), 240, 645, 375, 255);
    paneWidthField =
        field(displayGroup, "paneWidthField", defaultWidth(), QStringLiteral("表示領域の幅"), 720, 600, 1215, 270);

    QGroupBox* programGroup =
        frame(this, "programGroup", QStringLiteral("【アプリケーションの設定】"), 120, 1200, 4575, 975);
    QLabel* programPathLabel =
        label(programGroup, "programPathLabel", QStringLiteral("ファイルパス"), 120, 285, 975, 255);
    programField = field(programGroup, "programField", QString(), QStringLiteral("ファイルパス"), 1200, 240, 2895, 270);
    pickProgramButton = button(programGroup, "pickProgramButton", QStringLiteral("..."), 4200, 240, 255, 255);
    QLabel* programNameLabel = label(programGroup, "programNameLabel", QStringLiteral("アプリ名"), 120, 645, 975, 255);
    programNameField = field(programGroup, "programNameField", QString(), QStringLiteral("アプリーケションの名前"),
                             1200, 600, 2895, 270);

    QGroupBox* browserGroup = frame(this, "browserGroup", QStringLiteral("【ブラウザ】"), 120, 2280, 4575, 615);
    QLabel* browserPathLabel =
        label(browserGroup, "browserPathLabel", QStringLiteral("ファイルパス"), 120, 285, 975, 255);
    browserField = field(browserGroup, "browserField", QString(), QStringLiteral("ファイルパス"), 1200, 240, 2895, 270);
    pickBrowserButton = button(browserGroup, "pickBrowserButton", QStringLiteral("..."), 4200, 240, 255, 255);

    QGroupBox* workFolderGroup =
        frame(this, "workFolderGroup", QStringLiteral("【作業用フォルダの設定】"), 120, 3000, 4575, 615);
    QLabel* workFolderLabel =
        label(workFolderGroup, "workFolderLabel", QStringLiteral("フォルダパス"), 120, 285, 1095, 255);
    workFolderField = field(workFolderGroup, "workFolderField", QString(), QString(), 1200, 240, 2895, 270);
    pickWorkFolderButton = button(workFolderGroup, "pickWorkFolderButton", QStringLiteral("..."), 4200, 240, 255, 255);

    okButton = button(this, "okButton", QStringLiteral("OK"), 720, 3720, 1575, 300);
    applyButton = button(this, "applyButton", QStringLiteral("更新"), 2400, 3720, 1575, 300);

    fitLabels({{heightLabel, paneHeightField},
               {wrapCountLabel, wrapCountField},
               {widthLabel, paneWidthField},
               {programPathLabel, programField},
               {programNameLabel, programNameField},
               {browserPathLabel, browserField},
               {workFolderLabel, workFolderField}});

    auto* digits = new DigitsOnly(this);
    numeric(paneHeightField, digits, defaultHeight());
    numeric(wrapCountField, digits, defaultWrapCount());
    numeric(paneWidthField, digits, defaultWidth());

    QWidget* const order[] = {paneHeightField, wrapCountField,   paneWidthField,    okButton,
                              programField,    programNameField, pickProgramButton, pickWorkFolderButton,
                              workFolderField, applyButton,      browserField,      pickBrowserButton};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);
    paneHeightField->setFocus();

    connect(pickProgramButton, &QPushButton::clicked, this, &SettingsDialog::pickProgram);
    connect(okButton, &QPushButton::clicked, this, &SettingsDialog::ok);
    connect(pickWorkFolderButton, &QPushButton::clicked, this, &SettingsDialog::pickWorkFolder);
    connect(applyButton, &QPushButton::clicked, this, &SettingsDialog::apply);
    connect(pickBrowserButton, &QPushButton::clicked, this, &SettingsDialog::pickBrowser);
}

std::optional<qint64> SettingsDialog::fieldNumber(const QString& text)
{
    const QString digits = text.trimmed();
    if (digits.isEmpty()) return std::nullopt;
    constexpr qint64 kCeiling = 1'000'000'000'000'000;
    qint64 value = 0;
    for (const QChar c : digits) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return std::nullopt;
        value = std::min(kCeiling, value * 10 + (c.unicode() - u'0'));
    }
    return value;
}

void SettingsDialog::warn(const platform::MessageRequest& request)
{
    setAlwaysOnTop(false);
    main_.services().prompts.message(boxOwner(), request);
    setAlwaysOnTop(true);
}

void SettingsDialog::reject(QLineEdit* field, const QString& defaultText, const QString& message)
{
    warn({message, QStringLiteral("警告"), platform::Buttons::Ok, platform::Icon::None});
    field->setText(defaultText);
    allValid = false;
}

void SettingsDialog::applySettings()
{
    const Handling handling(*this);
    // The main window's resize steps close this dialog; everything the save
    // needs is read here, before the first resize.
    const QString heightText = paneHeightField->text();
    const QString widthText = paneWidthField->text();
    const QString countText = wrapCountField->text();
    const QString program = programField->text();
    const QString name = programNameField->text();
    const settings::SettingsFields fields{workFolderField->text().toStdU16String(), program.toStdU16String(),
                                          name.toStdU16String(), browserField->text().toStdU16String()};
    QWidget& window = main_.widget();
    const QSize before = window.size();
    written_ = false;

    allValid = true;
    mainWasNormal = (window.windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)) == 0;
    TextPane& pane = main_.pane();

    const std::optional<qint64> h = fieldNumber(heightText);
    if (!h || *h < 280 || *h > 10000) {
        reject(paneHeightField, defaultHeight(), QStringLiteral("高さに設定出来る数値は、280～10000までです"));
    } else {
        const Twips height(static_cast<int>(*h));
        main_.userSettings().paneHeight = height;
        pane.resize(pane.width(), height.toPixels());
        if (mainWasNormal && *h >= 6255) main_.setWindowSize({main_.windowSize().width, height + Twips(1515)});
    }

    const std::optional<qint64> w = fieldNumber(widthText);
    if (!w || *w < 8895 || *w > 20000) {
        reject(paneWidthField, defaultWidth(), QStringLiteral("幅に設定出来る数値は、8895～20000までです"));
    } else {
        const Twips width(static_cast<int>(*w));
        main_.userSettings().paneWidth = width;
        pane.resize(width.toPixels(), pane.height());
        if (mainWasNormal) main_.setWindowSize({width + Twips(2490), main_.windowSize().height});
    }

    const std::optional<qint64> c = fieldNumber(countText);
    if (!c || *c < 10) {
        reject(wrapCountField, defaultWrapCount(), QStringLiteral("折返し文字数に設定出来る数値は、10以上の数値です"));
    } else {
        main_.setWrapCount(*c);
    }

    if (allValid) {
        const settings::SettingsFile file(toNativePath(main_.services().app.settingsPath()));
        const Status<IoError> saved = file.write(fields);
        written_ = saved.ok();
        if (!saved) {
            const IoError& error = saved.error();
            const QString problem =
                error.errnoValue == EILSEQ ? QStringLiteral("設定ファイルに保存できない文字があります")
                : error.step == IoStep::FollowLink
                    ? QStringLiteral("設定ファイルは安全にたどれないシンボリックリンクのため、書き込みません")
                    : QStringLiteral("設定ファイルに書き込めません");
            warn({problem + QLatin1Char('\n') + main_.services().app.settingsPath(), QStringLiteral("エラー"),
                  platform::Buttons::Ok, platform::Icon::Critical});
        }
        main_.setProgramItem(program, name);
    }
    resizedMain_ = window.size() != before;
}

void SettingsDialog::ok()
{
    const Handling handling(*this);
    const QString browser = browserField->text();
    applySettings();
    main_.userSettings().browserCommand = browser;
    if (savedAndWritten() || resizedMain_) {
        close();
        main_.widget().activateWindow();
    }
}

void SettingsDialog::apply()
{
    const Handling handling(*this);
    const QString browser = browserField->text();
    const QString program = programField->text();
    applySettings();
    main_.userSettings().browserCommand = browser;
    main_.userSettings().programCommand = program;
    if (resizedMain_) close();
}

void SettingsDialog::pickProgramInto(QLineEdit* field)
{
    const Handling handling(*this);
    const QString old = field->text();
    field->setText(main_.services().pickers.showOpenDialog(boxOwner(), platform::programFilter(), processFolder()));
    if (field->text().isEmpty()) field->setText(old);
}

void SettingsDialog::pickProgram() { pickProgramInto(programField); }

void SettingsDialog::pickBrowser() { pickProgramInto(browserField); }

void SettingsDialog::pickWorkFolder()
{
    const Handling handling(*this);
    setAlwaysOnTop(false);
    const QString chosen = main_.services().pickers.browseForFolder(boxOwner());
    const QString old = workFolderField->text();
    workFolderField->setText(chosen);
    if (workFolderField->text().isEmpty()) workFolderField->setText(old);
    setAlwaysOnTop(true);
}

}  // namespace soramie
