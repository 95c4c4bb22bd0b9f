// SPDX-License-Identifier: MIT
// MainWindow: tray icon, window state, quick mode, clear display, exit and unload,
// and the settings and about dialogs.
#include "ui/main/main_window.h"

#include "settings/settings.h"
#include "ui/common/dialog_window.h"
#include "ui/common/path_text.h"
#include "ui/common/twips.h"
#include "ui/dialogs/about_dialog.h"
#include "ui/dialogs/settings_dialog.h"
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

void MainWindow::onWindowStateChanged()
{
    unloadSettingsDialog();
    unloadSearchDialog();
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
            services_.prompts.popup(*ui_.trayMenu, QCursor::pos());
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

void MainWindow::restoreFromTray()
{
    showNormal();
    raise();
    activateWindow();
}

void MainWindow::shutDown()
{
    services_.tray.remove();
    unloadSettingsDialog();
    unloadSearchDialog();
    unloadReplaceDialog();
    unloadAboutDialog();
}

void MainWindow::endProgram() { QCoreApplication::quit(); }

void MainWindow::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) onWindowStateChanged();
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    onWindowStateChanged();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (!mayDropEdits()) {
        event->ignore();
        return;
    }
    shutDown();
    QMainWindow::closeEvent(event);
    endProgram();
}

void MainWindow::quit()
{
    if (!mayDropEdits()) return;
    shutDown();
    endProgram();
}

void MainWindow::quitFromTray() { close(); }

// ---- Quick mode and clear ------------------------------------------------------------------

void MainWindow::toggleQuickMode()
{
    const auto ask = [this](const QString& text) {
        return services_.prompts.message(this, {text, QStringLiteral("モード変更"), platform::Buttons::YesNo,
                                                platform::Icon::Question}) == platform::Answer::Yes;
    };
    if (ui_.showButton->isHidden()) {
        if (ask(QStringLiteral("クイックモードを解除しますか？"))) ui_.showButton->show();
    } else if (ask(QStringLiteral("クイックモードにしますか？"))) {
        ui_.showButton->hide();
        ui_.showButton->setEnabled(false);
    }
}

void MainWindow::clearPane()
{
    if (!mayDropEdits()) return;
    ui_.pane->clear();
    // The pane no longer holds that file's bytes.
    state_.shownPath.clear();
    followShownFile();
    setWindowTitle(QStringLiteral("SORAMIE"));
    setPanel(2, QString());
    setPanel(3, QString());
    ui_.clearButton->setEnabled(false);
}

// ---- Settings and about dialogs ----------------------------------------------------------------

SettingsDialog& MainWindow::loadSettingsDialog() { return loadInto(dialogs_.settings); }

void MainWindow::unloadSettingsDialog() { unloadFrom(dialogs_.settings); }

AboutDialog& MainWindow::loadAboutDialog()
{
    if (!dialogs_.about) {
        dialogs_.about = new AboutDialog(services_.app.readmePath());
        dialogs_.about->setAttribute(Qt::WA_QuitOnClose, false);
        placeBesideMainWindow(*dialogs_.about, *this, Twips(0));
        connect(dialogs_.about, &QDialog::finished, this, [this, dialog = dialogs_.about.data()] {
            if (dialogs_.about == dialog) dialogs_.about.clear();
        });
        connect(this, &QObject::destroyed, dialogs_.about, &QObject::deleteLater);
    }
    return *dialogs_.about;
}

void MainWindow::unloadAboutDialog()
{
    if (AboutDialog* dialog = dialogs_.about.data()) {
        dialogs_.about.clear();
        dialog->hide();
        dialog->deleteLater();
    }
}

void MainWindow::showSettings()
{
    if (!dialogs_.settings || !dialogs_.settings->isVisible()) {
        SettingsDialog& dialog = loadSettingsDialog();
        dialog.present();
        dialog.paneHeightField->setText(SettingsDialog::sizeText(state_.settings.paneHeight, ui_.pane->height()));
        dialog.paneWidthField->setText(SettingsDialog::sizeText(state_.settings.paneWidth, ui_.pane->width()));
        const settings::SettingsFile file(toNativePath(services_.app.settingsPath()));
        const auto read = [&file](std::u16string_view key) {
            return QString::fromStdU16String(file.readSetting(settings::kSection, key, u""));
        };
        const QString log = read(settings::kLog);
        const QString program = read(settings::kProgram);
        const QString name = read(settings::kName);
        dialog.wrapCountField->setText(QString::number(wrapCount_));
        dialog.workFolderField->setText(log);
        dialog.programField->setText(program);
        dialog.programNameField->setText(name);
    } else {
        dialogs_.settings->present();
    }
}

void MainWindow::showAbout()
{
    AboutDialog& dialog = loadAboutDialog();
    dialog.show();
    dialog.raise();
    dialog.activateWindow();
}

}  // namespace soramie
