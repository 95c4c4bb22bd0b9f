// SPDX-License-Identifier: MIT
#include "ui/dialogs/form2.h"

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

Form2::Form2(MainWindowPort& main) : DialogWindow(main, Twips(0))
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("設定"));
    setFixedSize(twips::px(4815), twips::px(4095));
    // Frames with their caption on the top border line, so the controls fit
    // under the caption at their places.
    setStyleSheet(
        QStringLiteral("QGroupBox { border: 1px solid palette(mid); border-radius: 2px; margin-top: 7px; }"
                       "QGroupBox::title { subcontrol-origin: margin; left: 6px; padding: 0px 2px; }"));
    buildControls();

    // Load step: the program and its name are read again from the file.
    ViewerState& state = main_.state();
    const settings::SettingsFile file(toNativePath(main_.services().app.settingsPath()));
    state.pro = QString::fromStdU16String(file.ReadSetting(settings::kSection, settings::kProgram, u""));
    state.pron = QString::fromStdU16String(file.ReadSetting(settings::kSection, settings::kName, u""));
    Text7->setText(state.br);
    Text6->setText(state.strret);
    Text5->setText(state.pron);
    Text4->setText(state.pro);
}

Form2::~Form2() = default;

void Form2::buildControls()
{
    Frame1 = frame(this, "Frame1", QStringLiteral("【表示領域】"), 120, 120, 4575, 975);
    Label2 = label(Frame1, "Label2", QStringLiteral("高さ"), 240, 285, 375, 255);
    Text1 = field(Frame1, "Text1", defaultHeight(), QStringLiteral("表示領域の高さ"), 720, 240, 1215, 270);
    Label4 = label(Frame1, "Label4", QStringLiteral("折返し文字数"), 2040, 290, 1095, 255);
    Text2 = field(Frame1, "Text2", defaultWrapCount(), QStringLiteral("折り返す文字数"), 3240, 240, 1215, 270);
    Label3 = label(Frame1, "Label3", QStringLiteral("幅"), 240, 645, 375, 255);
    Text3 = field(Frame1, "Text3", defaultWidth(), QStringLiteral("表示領域の幅"), 720, 600, 1215, 270);

    Frame2 = frame(this, "Frame2", QStringLiteral("【アプリケーションの設定】"), 120, 1200, 4575, 975);
    Label1 = label(Frame2, "Label1", QStringLiteral("ファイルパス"), 120, 285, 975, 255);
    Text4 = field(Frame2, "Text4", QString(), QStringLiteral("ファイルパス"), 1200, 240, 2895, 270);
    Command1 = button(Frame2, "Command1", QStringLiteral("..."), 4200, 240, 255, 255);
    Label5 = label(Frame2, "Label5", QStringLiteral("アプリ名"), 120, 645, 975, 255);
    Text5 = field(Frame2, "Text5", QString(), QStringLiteral("アプリーケションの名前"), 1200, 600, 2895, 270);

    Frame4 = frame(this, "Frame4", QStringLiteral("【ブラウザ】"), 120, 2280, 4575, 615);
    Label7 = label(Frame4, "Label7", QStringLiteral("ファイルパス"), 120, 285, 975, 255);
    Text7 = field(Frame4, "Text7", QString(), QStringLiteral("ファイルパス"), 1200, 240, 2895, 270);
    Command5 = button(Frame4, "Command5", QStringLiteral("..."), 4200, 240, 255, 255);

    Frame3 = frame(this, "Frame3", QStringLiteral("【作業用フォルダの設定】"), 120, 3000, 4575, 615);
    Label6 = label(Frame3, "Label6", QStringLiteral("フォルダパス"), 120, 285, 1095, 255);
    Text6 = field(Frame3, "Text6", QString(), QString(), 1200, 240, 2895, 270);
    Command3 = button(Frame3, "Command3", QStringLiteral("..."), 4200, 240, 255, 255);

    Command2 = button(this, "Command2", QStringLiteral("OK"), 720, 3720, 1575, 300);
    Command4 = button(this, "Command4", QStringLiteral("更新"), 2400, 3720, 1575, 300);

    fitLabels({{Label2, Text1},
               {Label4, Text2},
               {Label3, Text3},
               {Label1, Text4},
               {Label5, Text5},
               {Label7, Text7},
               {Label6, Text6}});

    auto* digits = new DigitsOnly(this);
    numeric(Text1, digits, defaultHeight());
    numeric(Text2, digits, defaultWrapCount());
    numeric(Text3, digits, defaultWidth());

    QWidget* const order[] = {Text1,    Text2,    Text3, Command2, Text4, Text5,
                              Command1, Command3, Text6, Command4, Text7, Command5};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);
    Text1->setFocus();

    connect(Command1, &QPushButton::clicked, this, &Form2::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form2::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form2::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &Form2::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &Form2::Command5_Click);
}

std::optional<qint64> Form2::fieldNumber(const QString& text)
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

void Form2::warn(const platform::MessageRequest& request)
{
    setTopmost(0);
    main_.services().prompts.message(boxOwner(), request);
    setTopmost(1);
}

void Form2::reject(QLineEdit* field, const QString& defaultText, const QString& message)
{
    warn({message, QStringLiteral("警告"), platform::Buttons::Ok, platform::Icon::None});
    field->setText(defaultText);
    Flag3 = 0;
}

void Form2::settei()
{
    const Handling handling(*this);
    // The main window's resize steps close this dialog; everything the save
    // needs is read here, before the first resize.
    const QString heightText = Text1->text();
    const QString widthText = Text3->text();
    const QString countText = Text2->text();
    const QString program = Text4->text();
    const QString name = Text5->text();
    const settings::SettingsFields fields{Text6->text().toStdU16String(), program.toStdU16String(),
                                          name.toStdU16String(), Text7->text().toStdU16String()};
    QWidget& window = main_.widget();
    const QSize before = window.size();
    written_ = false;

    Flag3 = 1;
    Flag2 = (window.windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)) ? 0 : 1;
    TextPane& pane = main_.pane();

    const std::optional<qint64> h = fieldNumber(heightText);
    if (!h || *h < 280 || *h > 10000) {
        reject(Text1, defaultHeight(), QStringLiteral("高さに設定出来る数値は、280～10000までです"));
    } else {
        const Twips height(static_cast<int>(*h));
        pane.resize(pane.width(), height.toPixels());
        if (Flag2 == 1 && *h >= 6255) main_.setWindowSize({main_.windowSize().width, height + Twips(1515)});
    }

    const std::optional<qint64> w = fieldNumber(widthText);
    if (!w || *w < 8895 || *w > 20000) {
        reject(Text3, defaultWidth(), QStringLiteral("幅に設定出来る数値は、8895～20000までです"));
    } else {
        const Twips width(static_cast<int>(*w));
        pane.resize(width.toPixels(), pane.height());
        if (Flag2 == 1) main_.setWindowSize({width + Twips(2490), main_.windowSize().height});
    }

    const std::optional<qint64> c = fieldNumber(countText);
    if (!c || *c < 10) {
        reject(Text2, defaultWrapCount(), QStringLiteral("折返し文字数に設定出来る数値は、10以上の数値です"));
    } else {
        main_.setWrapCount(countText);
    }

    if (Flag3 == 1) {
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

void Form2::Command2_Click()
{
    const Handling handling(*this);
    const QString browser = Text7->text();
    settei();
    main_.state().br = browser;
    if (savedAndWritten() || resizedMain_) {
        close();
        main_.widget().activateWindow();
    }
}

void Form2::Command4_Click()
{
    const Handling handling(*this);
    const QString browser = Text7->text();
    const QString program = Text4->text();
    settei();
    main_.state().br = browser;
    main_.state().pro = program;
    if (resizedMain_) close();
}

void Form2::pickProgramInto(QLineEdit* field)
{
    const Handling handling(*this);
    const QString old = field->text();
    field->setText(main_.services().pickers.showOpenDialog(boxOwner(), platform::programFilter(), processFolder()));
    if (field->text().isEmpty()) field->setText(old);
}

void Form2::Command1_Click() { pickProgramInto(Text4); }

void Form2::Command5_Click() { pickProgramInto(Text7); }

void Form2::Command3_Click()
{
    const Handling handling(*this);
    setTopmost(0);
    const QString chosen = main_.services().pickers.browseForFolder(boxOwner());
    const QString old = Text6->text();
    Text6->setText(chosen);
    if (Text6->text().isEmpty()) Text6->setText(old);
    setTopmost(1);
}

}  // namespace soramie
