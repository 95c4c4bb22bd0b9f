// SPDX-License-Identifier: MIT
#include "ui/dialogs/about_dialog.h"

#include "core/cp932.h"
#include "core/file_io.h"
#include "platform/file_names.h"
#include "ui/common/program_icon.h"
#include "ui/common/twips.h"

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
    out->setObjectName(QStringLiteral("separatorLine"));
    out->setFrameShape(QFrame::NoFrame);
    out->setAutoFillBackground(true);
    QPalette palette = out->palette();
    palette.setColor(QPalette::Window, colour);
    out->setPalette(palette);
    out->setGeometry(px(x0), px(y), px(x1 - x0), thickness);
    return out;
}

}  // namespace

QString AboutDialog::readmeText(const QString& path)
{
    // The path holds the folder's bytes, whatever their encoding.
    const auto bytes = readWholeFile(toNativePath(path), ReadFrom::RegularFileOnly);
    if (!bytes) return {};
    return QString::fromStdU16String(cp932::decode(*bytes));
}

AboutDialog::AboutDialog(const QString& readmePath, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutDialog"));
    setWindowTitle(QStringLiteral("バージョン情報"));
    setFixedSize(px(7455), px(4275));
    setModal(false);

    iconLabel = new QLabel(this);
    iconLabel->setObjectName(QStringLiteral("iconLabel"));
    twips::place(iconLabel, 120, 120, 540, 540);
    iconLabel->setPixmap(programIcon().pixmap(iconLabel->size()));

    versionLabel = new QLabel(aboutVersionText(), this);
    versionLabel->setObjectName(QStringLiteral("versionLabel"));
    twips::place(versionLabel, 960, 360, 2415, 255);

    readmeView = new QPlainTextEdit(this);
    readmeView->setObjectName(QStringLiteral("readmeView"));
    readmeView->setReadOnly(true);
    readmeView->setLineWrapMode(QPlainTextEdit::WidgetWidth);  // shown wrapped; the text itself is unchanged
    readmeView->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    twips::place(readmeView, 120, 720, 7215, 2895);
    readmeView->setPlainText(readmeText(readmePath));

    separatorLine_[0] = line(this, 90, 7320, 3720, 1, QColor(0x80, 0x80, 0x80));
    separatorLine_[1] = line(this, 120, 7320, 3720 + 15, 2, Qt::white);

    okButton = new QPushButton(QStringLiteral("OK"), this);
    okButton->setObjectName(QStringLiteral("okButton"));
    twips::place(okButton, 5880, 3840, 1310, 345);
    okButton->setDefault(true);
    okButton->setFocus();
    connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
    // OK, Enter, Esc and the close box all end in finished(): the dialog goes.
    connect(this, &QDialog::finished, this, &QObject::deleteLater);
}

AboutDialog::~AboutDialog() = default;

}  // namespace soramie
