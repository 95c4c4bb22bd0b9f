// SPDX-License-Identifier: MIT
// Form1: tray icon, window state, quick mode, clear display, exit and unload,
// and the settings and about dialogs.
#include "ui/main/form1.h"

#include "settings/settings.h"
#include "ui/common/dialog_window.h"
#include "ui/common/path_text.h"
#include "ui/common/twips.h"
#include "ui/dialogs/form2.h"
#include "ui/dialogs/frm_about.h"
#include "ui/pane/text_pane.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QLineEdit>
#include <QMenu>
#include <QToolButton>

namespace soramie {

// ---- Resize, tray and unload -------------------------------------------------------------

void Form1::Form_Resize()
{
    unloadForm2();
    unloadForm3();
    if (!isMinimized()) return;
    // Without a notification area the window stays minimised on the taskbar: a
    // hidden window without an icon could never be brought back.
    if (!services_.tray.available()) return;
    services_.tray.setHandler([this](platform::TrayEvent event) {
        if (event == platform::TrayEvent::LeftPress) {
            restoreFromTray();
        } else {
            raise();
            activateWindow();
            QCoreApplication::processEvents();
            services_.prompts.popup(*mnuTray, QCursor::pos());
        }
    });
    services_.tray.add(QStringLiteral("SORAMIE"));
    // Hidden once the state change is over: hiding in the middle of it leaves
    // some window managers with a window they cannot restore.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (isMinimized() && services_.tray.shown()) hide();
        },
        Qt::QueuedConnection);
}

void Form1::restoreFromTray()
{
    showNormal();
    raise();
    activateWindow();
}

void Form1::Form_Unload()
{
    services_.tray.remove();
    unloadForm2();
    unloadForm3();
    unloadForm4();
    unloadFrmAbout();
}

void Form1::endProgram() { QCoreApplication::quit(); }

void Form1::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) Form_Resize();
}

void Form1::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    Form_Resize();
}

void Form1::closeEvent(QCloseEvent* event)
{
    if (!mayDropEdits()) {
        event->ignore();
        return;
    }
    Form_Unload();
    QMainWindow::closeEvent(event);
    endProgram();
}

void Form1::appExit_Click()
{
    if (!mayDropEdits()) return;
    Form_Unload();
    endProgram();
}

void Form1::mnuEnd_Click() { close(); }

void Form1::mnuAbout_Click() { restoreFromTray(); }

// ---- Quick mode and clear ------------------------------------------------------------------

void Form1::mode()
{
    const auto ask = [this](const QString& text) {
        return services_.prompts.message(this, {text, QStringLiteral("モード変更"), platform::Buttons::YesNo,
                                                platform::Icon::Question}) == platform::Answer::Yes;
    };
    if (Command1->isHidden()) {
        if (ask(QStringLiteral("クイックモードを解除しますか？"))) Command1->show();
    } else if (ask(QStringLiteral("クイックモードにしますか？"))) {
        Command1->hide();
        Command1->setEnabled(false);
    }
}

void Form1::mnuMode_Click() { mode(); }

void Form1::Command6_Click()
{
    if (!mayDropEdits()) return;
    Text1->clear();
    // The pane no longer holds that file's bytes.
    shownPath.clear();
    setWindowTitle(QStringLiteral("SORAMIE"));
    setPanel(2, QString());
    setPanel(3, QString());
    Command6->setEnabled(false);
}

// ---- Settings and about dialogs ----------------------------------------------------------------

Form2& Form1::loadForm2()
{
    if (!form2) form2 = track(new Form2(*this), form2);
    return *form2;
}

void Form1::unloadForm2()
{
    if (Form2* dialog = form2.data()) {
        form2.clear();
        dialog->unload();
    }
}

frmAbout& Form1::loadFrmAbout()
{
    if (!aboutForm) {
        aboutForm = new frmAbout(services_.app.readmePath());
        aboutForm->setAttribute(Qt::WA_QuitOnClose, false);
        placeBesideMainWindow(*aboutForm, *this, Twips(0));
        connect(aboutForm, &QDialog::finished, this, [this, dialog = aboutForm.data()] {
            if (aboutForm == dialog) aboutForm.clear();
        });
        connect(this, &QObject::destroyed, aboutForm, &QObject::deleteLater);
    }
    return *aboutForm;
}

void Form1::unloadFrmAbout()
{
    if (frmAbout* dialog = aboutForm.data()) {
        aboutForm.clear();
        dialog->hide();
        dialog->deleteLater();
    }
}

void Form1::appSe_Click()
{
    if (!form2 || !form2->isVisible()) {
        Form2& dialog = loadForm2();
        dialog.present();
        dialog.Text1->setText(QString::number(Twips::fromPixels(Text1->height()).value));
        dialog.Text3->setText(QString::number(Twips::fromPixels(Text1->width()).value));
        const settings::SettingsFile file(toNativePath(services_.app.settingsPath()));
        const auto read = [&file](std::u16string_view key) {
            return QString::fromStdU16String(file.ReadSetting(settings::kSection, key, u""));
        };
        const QString log = read(settings::kLog);
        const QString program = read(settings::kProgram);
        const QString name = read(settings::kName);
        dialog.Text2->setText(Text6->text());
        dialog.Text6->setText(log);
        dialog.Text4->setText(program);
        dialog.Text5->setText(name);
    } else {
        form2->present();
    }
}

void Form1::mnuVer_Click()
{
    frmAbout& dialog = loadFrmAbout();
    dialog.show();
    dialog.raise();
    dialog.activateWindow();
}

}  // namespace soramie
