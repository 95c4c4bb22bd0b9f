// SPDX-License-Identifier: MIT
// The Qt implementations of the platform services, and a bundle that owns them.
#pragma once

#include "platform/services.h"

#include <QString>

#include <memory>

class QCoreApplication;
class QDialog;
class QLockFile;
class QMessageBox;
class QSystemTrayIcon;

namespace soramie::platform {

// The boxes and pickers below belong to the window that asked (they are its
// children, so the window manager keeps them with it) and stay above every
// window of the program, the always-on-top dialogs included. Each is made
// ready for exec(); the caller deletes it unless its owner went first. Test
// doubles run the same boxes and pickers with scripted answers.
QMessageBox* newMessageBox(QWidget* owner, const MessageRequest& request);
// What a box made by newMessageBox answers for exec()'s result.
Answer answerOf(const MessageRequest& request, int execResult);

enum class PickerKind { Open, Save, Folder };
// The open or save dialog (FilePicker) or the folder browser QtPickers shows.
QDialog* newPickerDialog(QWidget* owner, PickerKind kind, const Filter& filter, const QString& initialFolder);
// The path chosen in an accepted picker dialog (empty when none).
QString pickedPath(const QDialog& dialog);

class QtPrompts final : public Prompts {
public:
    Answer message(QWidget* owner, const MessageRequest& request) override;
    QAction* popup(QMenu& menu, QPoint globalPos) override;
};

// FilePicker (file_picker.h) for files, QFileDialog (non-native, so it behaves
// alike on every desktop) for folders, and Qt::WindowStaysOnTopHint.
class QtPickers final : public Pickers {
protected:
    QString askOpen(QWidget* owner, const Filter& filter, const QString& initialFolder) override;
    QString askSave(QWidget* owner, const Filter& filter, const QString& initialFolder) override;
    QString askFolder(QWidget* owner) override;
    bool applyTopmost(QWidget* window, bool onTop) override;
};

// The words of a configured command line, split as a POSIX shell splits words
// (blanks separate; single quotes, double quotes and backslashes group; nothing
// is expanded).
QStringList commandWords(const QString& commandLine);
// The program and arguments QtLauncher starts: commandWords(commandLine)
// followed by filePath as one argument when it is not empty. Empty when
// commandLine has no words.
QStringList launchWords(const QString& commandLine, const QString& filePath);

// Starts launchWords() detached, each word as file-name bytes (file_names.h),
// so a file whose name is not UTF-8 reaches the program unchanged; never a shell.
class QtLauncher final : public Launcher {
public:
    bool start(const QString& commandLine, const QString& filePath) override;
};

// A QLockFile at lockPath; a lock left by a process that no longer runs is taken
// over. The lock is held until this object is destroyed. An empty lockPath (no
// private folder for it) claims nothing: every copy runs alone.
class LockFileInstance final : public SingleInstance {
public:
    explicit LockFileInstance(const QString& lockPath);
    ~LockFileInstance() override;
    bool anotherIsRunning() override;

private:
    std::unique_ptr<QLockFile> lock_;
};

// "/" and the mounted volumes a user browses (pseudo file systems left out).
class QtDrives final : public Drives {
public:
    QStringList roots() const override;
};

// QSystemTrayIcon with the application's window icon.
class QtTray final : public Tray {
public:
    QtTray();
    ~QtTray() override;
    bool available() const override;
    void add(const QString& toolTip) override;
    void remove() override;
    bool shown() const override;
    void setHandler(std::function<void(TrayEvent)> handler) override;

private:
    std::unique_ptr<QSystemTrayIcon> icon_;
    std::function<void(TrayEvent)> handler_;
};

// Owns one real object of each service; services() hands out the bundle.
// lockPath: the single-instance lock, in a folder only this user controls
// (core/private_folder.h); empty for none.
class QtServices {
public:
    explicit QtServices(const QString& lockPath);
    ~QtServices();
    Services services();

private:
    QtPrompts prompts_;
    QtPickers pickers_;
    QtLauncher launcher_;
    LockFileInstance instance_;
    QtDrives drives_;
    QtTray tray_;
};

// Qt's own texts in Japanese whatever the locale: loads Qt's catalogue qtbase_ja
// (message box buttons, the file dialogs) into app and makes Japanese the
// default locale (dates and sizes in the file dialogs). False when the catalogue
// is not installed; Qt's texts then stay English.
bool useJapaneseQtTexts(QCoreApplication& app);

// Facts of the running executable: its folder and base name, the default start
// folder (/var/log, else the home folder) and the home folder.
AppInfo currentAppInfo();

}  // namespace soramie::platform
