// SPDX-License-Identifier: MIT
// The platform services the windows use, as interfaces. Windows receive them
// through a `Services` bundle in their constructor; the Qt implementations live in
// qt_services.h, scripted and recording doubles in tests/ui/support/.
// Every call happens on the user-interface thread.
#pragma once

#include <QHash>
#include <QList>
#include <QPoint>
#include <QString>
#include <QStringList>

#include <functional>

class QAction;
class QMenu;
class QWidget;

namespace soramie::platform {

// ---- Prompts: modal message boxes and popup menus --------------------------

enum class Buttons { Ok, YesNo, YesNoCancel };
enum class Icon { None, Information, Warning, Critical, Question };
enum class Answer { Ok, Yes, No, Cancel };

struct MessageRequest {
    QString text;
    QString title;
    Buttons buttons = Buttons::Ok;
    Icon icon = Icon::None;
    Answer defaultAnswer = Answer::Yes;  // the button Enter presses in a Yes/No box
};

class Prompts {
public:
    virtual ~Prompts() = default;
    // Shows a modal message box over owner (may be null) and returns the answer.
    // Closing a Yes/No box without choosing answers No; a Yes/No/Cancel box,
    // Cancel.
    virtual Answer message(QWidget* owner, const MessageRequest& request) = 0;
    // Shows menu as a modal popup at the global position and returns once it is
    // closed. A chosen item's action has been triggered (its command has run)
    // before this returns; the result is that action, or null.
    virtual QAction* popup(QMenu& menu, QPoint globalPos) = 0;
};

// ---- Pickers: open/save dialogs, folder browser, always-on-top ---------------

// One entry of a dialog filter: display text and pattern ("*.txt").
struct FilterPair {
    QString label;
    QString pattern;
};
using Filter = QList<FilterPair>;

// The text filter of the open and save dialogs and the program filter.
Filter textFilter();
Filter programFilter();

// The pickers share one contract; implementations provide only the platform
// dialog (askOpen/askSave/askFolder) and the stacking call.
class Pickers {
public:
    virtual ~Pickers() = default;

    // Open-file dialog over owner, filter pairs in the given order with the first
    // preselected, starting in initialFolder. Returns the chosen file's full path,
    // or empty on cancel or failure. A chosen file exists. On success the
    // process's current folder becomes the file's folder and lastChosenFolder()
    // that folder with a final separator; on cancel both stay as they were.
    QString showOpenDialog(QWidget* owner, const Filter& filter, const QString& initialFolder);
    // Save-file dialog: the same contract, but lastChosenFolder() stays unchanged.
    QString showSaveDialog(QWidget* owner, const Filter& filter, const QString& initialFolder);
    // Folder browser: the chosen folder's path, or empty when cancelled.
    QString browseForFolder(QWidget* owner);
    // onTop: the window becomes always-on-top, else it stops being so; true on
    // success. No window does nothing and gives false.
    bool setAlwaysOnTop(QWidget* window, bool onTop);

    // Folder of the file chosen in the last successful open dialog, ending with
    // the separator ("/data/" for /data/a.txt, "/" for /a.txt); empty at start.
    const QString& lastChosenFolder() const { return lastChosenFolder_; }

protected:
    virtual QString askOpen(QWidget* owner, const Filter& filter, const QString& initialFolder) = 0;
    virtual QString askSave(QWidget* owner, const Filter& filter, const QString& initialFolder) = 0;
    virtual QString askFolder(QWidget* owner) = 0;
    // Applies or removes the always-on-top state; returns false on failure.
    virtual bool applyTopmost(QWidget* window, bool onTop) = 0;

private:
    QString lastChosenFolder_;
};

// ---- Program start ------------------------------------------------------------

class Launcher {
public:
    virtual ~Launcher() = default;
    // Starts commandLine (split into words as a shell would split them, but never
    // run through a shell) with filePath appended as exactly one more argument
    // (none when filePath is empty), detached, without waiting. Returns false
    // when the program could not be started.
    virtual bool start(const QString& commandLine, const QString& filePath) = 0;
};

// ---- Single instance ---------------------------------------------------------

class SingleInstance {
public:
    virtual ~SingleInstance() = default;
    // Claims the instance for this process; true when another running copy of
    // the program holds it. Called once, at start-up.
    virtual bool anotherIsRunning() = 0;
};

// ---- Drives -------------------------------------------------------------------

// The drive list: "/" and the mounted volumes, each remembering its own current
// folder. Drive roots end with the separator.
class Drives {
public:
    virtual ~Drives() = default;
    // Drive roots, sorted, "/" first.
    virtual QStringList roots() const = 0;

    // The drive that holds folder: the longest root that is a prefix of it.
    QString driveOf(const QString& folder) const;
    // The current folder of drive: the process's current folder when it lies on
    // that drive, else the last folder made current there that still exists,
    // else the drive root.
    QString currentFolder(const QString& drive) const;
    // Makes folder the current folder of its drive, and the process's current
    // folder. Returns false (and changes nothing) when it cannot be entered.
    bool setCurrentFolder(const QString& folder);

private:
    void rememberProcessFolder() const;
    mutable QHash<QString, QString> current_;
};

// ---- Tray icon ----------------------------------------------------------------

enum class TrayEvent { LeftPress, RightPress };

class Tray {
public:
    virtual ~Tray() = default;
    // False where the desktop has no notification area.
    virtual bool available() const = 0;
    // Shows the icon with the tool tip; a second call while shown does nothing.
    virtual void add(const QString& toolTip) = 0;
    // Removes the icon; nothing happens when it is not shown.
    virtual void remove() = 0;
    virtual bool shown() const = 0;
    // Receives the left and right button presses on the icon.
    virtual void setHandler(std::function<void(TrayEvent)> handler) = 0;
};

// ---- Application facts ----------------------------------------------------------

struct AppInfo {
    QString executableDir;       // folder of the executable (settings file, readme.txt)
    QString baseName;            // "soramie"
    QString defaultStartFolder;  // start folder when the setting "log" is empty
    QString homeFolder;          // last fallback for the start folder
    // The settings file and readme.txt where the layout puts them elsewhere
    // (settings/location.h: an installed program); empty means beside the executable.
    QString settingsFile;
    QString readmeFile;
    QString settingsPath() const
    {
        return !settingsFile.isEmpty() ? settingsFile
                                       : executableDir + QLatin1Char('/') + baseName + QStringLiteral(".ini");
    }
    QString readmePath() const
    {
        return !readmeFile.isEmpty() ? readmeFile : executableDir + QStringLiteral("/readme.txt");
    }
};

// ---- The bundle ---------------------------------------------------------------------

// Non-owning; the objects outlive every window that gets the bundle.
struct Services {
    Prompts& prompts;
    Pickers& pickers;
    Launcher& launcher;
    SingleInstance& instance;
    Drives& drives;
    Tray& tray;
    AppInfo app;
};

}  // namespace soramie::platform
