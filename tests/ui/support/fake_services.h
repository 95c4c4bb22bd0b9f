// SPDX-License-Identifier: MIT
// Scripted and recording platform services for window tests, and helpers for
// their real temporary files. Message boxes and pickers are the program's own
// (platform::newMessageBox, platform::newPickerDialog), run modally with their
// own event loop as a user would see them; only the answer is scripted. Popup
// menus choose a scripted item; program starts are recorded.
#pragma once

#include "platform/qt_services.h"
#include "platform/services.h"

#include <QDir>
#include <QStringList>

#include <deque>
#include <functional>
#include <ostream>
#include <vector>

// GoogleTest prints QString values (and lists of them) as UTF-8 text in failure messages.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

class QDialog;

namespace soramie::testing {

// Real files under the test's paths (paths keep their bytes, platform/file_names.h).
// Writes bytes to path, creating its folders. Returns false on failure.
bool writeFile(const QString& path, const QByteArray& bytes);
// Creates the folder path with its parents.
bool makeFolder(const QString& path);
// The file's bytes, or "<missing>".
QByteArray bytesOf(const QString& path);

// Restores the process's current folder, which pickers and shown files move.
struct CurrentFolderGuard {
    QString saved = QDir::currentPath();
    ~CurrentFolderGuard() { QDir::setCurrent(saved); }
};

// Runs `dialog` (a box or picker, not yet shown) modally: its own event loop
// runs, `whileOpen` is called from inside it, and once the events posted
// meanwhile have been delivered (deferred deletes included) the dialog closes
// with `result`, as when a user answers. The test fails when the dialog is not
// kept above every window of the program or when its owner is destroyed while
// it is open. The dialog is deleted; false when its owner took it along.
bool runModal(QDialog* dialog, const std::function<void()>& whileOpen, int result);

// Answers message boxes from a queue (Ok for an OK box, else Yes unless scripted)
// and popup menus by choosing the item with the scripted caption (none: closes
// the menu); each runs its own event loop while open. Records every request
// (popups by where they open).
class ScriptedPrompts final : public platform::Prompts {
public:
    platform::Answer message(QWidget* owner, const platform::MessageRequest& request) override;
    QAction* popup(QMenu& menu, QPoint globalPos) override;

    std::deque<platform::Answer> answers;  // for Yes/No boxes; empty: Yes
    std::deque<QString> popupChoices;      // captions; empty or "": close without a choice
    std::vector<platform::MessageRequest> messages;
    QList<QPoint> popups;
    // Called with each message request while its box is open.
    std::function<void(const platform::MessageRequest&)> onMessage;

    // Every message so far as "title|text", in order.
    QStringList boxes() const;
};

// Pickers that answer from one queue (an empty queue or "" is a cancel); each
// runs the real dialog modally while open. The shared bookkeeping (current
// folder, lastChosenFolder) is the real one.
class ScriptedPickers final : public platform::Pickers {
public:
    struct Request {
        QString kind;  // "open", "save", "folder"
    };

    std::deque<QString> answers;
    // Called with each request while its dialog is open.
    std::function<void(const Request&)> onOpen;

    // The always-on-top changes so far: "+" on, "-" off, "?" for a window other than `window`.
    QString stacking(const QWidget* window) const;
    void clearStacking() { topmost_.clear(); }

protected:
    using Filter = platform::Filter;
    using Kind = platform::PickerKind;
    QString askOpen(QWidget* o, const Filter& f, const QString& in) override { return answer(Kind::Open, o, f, in); }
    QString askSave(QWidget* o, const Filter& f, const QString& in) override { return answer(Kind::Save, o, f, in); }
    QString askFolder(QWidget* o) override { return answer(Kind::Folder, o, {}, QDir::currentPath()); }
    bool applyTopmost(QWidget* window, bool onTop) override
    {
        topmost_.emplace_back(window, onTop);
        return true;
    }

private:
    // Records the request, runs its dialog and takes the next answer.
    QString answer(platform::PickerKind kind, QWidget* owner, const platform::Filter& filter, const QString& folder);
    std::vector<std::pair<QWidget*, bool>> topmost_;
};

class RecordingLauncher final : public platform::Launcher {
public:
    // Records "commandLine|filePath"; answers succeed.
    bool start(const QString& commandLine, const QString& filePath) override
    {
        starts << commandLine + QLatin1Char('|') + filePath;
        return succeed;
    }
    QStringList starts;
    bool succeed = true;
};

class FakeInstance final : public platform::SingleInstance {
public:
    bool anotherIsRunning() override { return false; }
};

// Drives with fixed roots (tests use temporary folders as volume roots).
class FixedDrives final : public platform::Drives {
public:
    QStringList roots() const override { return rootList; }
    QStringList rootList{QStringLiteral("/")};
};

class FakeTray final : public platform::Tray {
public:
    bool available() const override { return isAvailable; }
    void add(const QString&) override
    {
        adds += isShown ? 0 : 1;
        isShown = true;
    }
    void remove() override { isShown = false; }
    bool shown() const override { return isShown; }
    void setHandler(std::function<void(platform::TrayEvent)> h) override { handler = std::move(h); }

    bool isAvailable = true;
    bool isShown = false;
    int adds = 0;                                      // times the icon appeared
    std::function<void(platform::TrayEvent)> handler;  // called with a press on the icon as the desktop would
};

// One of each double plus the application facts (executableDir is where the
// settings file and readme.txt are looked for); services() bundles them.
struct FakeServices {
    ScriptedPrompts prompts;
    ScriptedPickers pickers;
    RecordingLauncher launcher;
    FakeInstance instance;
    FixedDrives drives;
    FakeTray tray;
    platform::AppInfo app;

    FakeServices() { app.baseName = QStringLiteral("soramie"); }
    platform::Services services() { return {prompts, pickers, launcher, instance, drives, tray, app}; }
};

}  // namespace soramie::testing
