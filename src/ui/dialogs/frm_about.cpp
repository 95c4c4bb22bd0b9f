// SPDX-License-Identifier: MIT
#include "ui/dialogs/frm_about.h"

#include "core/cp932.h"
#include "ui/common/program_icon.h"
#include "ui/common/twips.h"

#include <QFile>
#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

namespace soramie {

using twips::px;

namespace {

// A horizontal line from x0 to x1 (twips) at height y (twips), thickness in pixels.
QFrame* line(QWidget* parent, int x0, int x1, int y, int thickness, const QColor& colour)
{
    auto* out = new QFrame(parent);
    out->setObjectName(QStringLiteral("Line1"));
    out->setFrameShape(QFrame::NoFrame);
    out->setAutoFillBackground(true);
    QPalette palette = out->palette();
    palette.setColor(QPalette::Window, colour);
    out->setPalette(palette);
    out->setGeometry(px(x0), px(y), px(x1 - x0), thickness);
    return out;
}

}  // namespace

QString frmAbout::readmeText(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) return {};
    return QString::fromStdU16String(
        cp932::decode(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size()))));
}

frmAbout::frmAbout(const QString& readmePath, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("バージョン情報"));
    setFixedSize(px(7455), px(4275));
    setModal(false);

    picIcon = new QLabel(this);
    picIcon->setObjectName(QStringLiteral("picIcon"));
    twips::place(picIcon, 120, 120, 540, 540);
    picIcon->setPixmap(programIcon().pixmap(picIcon->size()));

    Label1 = new QLabel(QStringLiteral("SORAMIE ver0.097a"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    twips::place(Label1, 960, 360, 2415, 255);

    Text1 = new QPlainTextEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setReadOnly(true);
    Text1->setLineWrapMode(QPlainTextEdit::WidgetWidth);  // shown wrapped; the text itself is unchanged
    Text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    twips::place(Text1, 120, 720, 7215, 2895);
    Text1->setPlainText(readmeText(readmePath));

    Line1[0] = line(this, 90, 7320, 3720, 1, QColor(0x80, 0x80, 0x80));
    Line1[1] = line(this, 120, 7320, 3720 + 15, 2, Qt::white);

    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    twips::place(cmdOK, 5880, 3840, 1310, 345);
    cmdOK->setDefault(true);
    cmdOK->setFocus();
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    // OK, Enter, Esc and the close box all end in finished(): the dialog goes.
    connect(this, &QDialog::finished, this, &QObject::deleteLater);
}

frmAbout::~frmAbout() = default;

}  // namespace soramie
