// SPDX-License-Identifier: MIT
// SearchDialog: the keyword search dialog "検索". It finds the *.txt (or *.log) files
// under the main window's current folder that contain a keyword, lists their
// full paths in hitList and opens a listed file in the main window.
//
// A DialogWindow, created hidden by the main window and destroyed once it is
// closed or unloaded and none of its handlers runs (a running search included).
// All methods run on the GUI thread. A search reads the files on worker threads
// while the GUI thread keeps painting; the main window and the settings,
// search and replace dialogs are disabled meanwhile, so no other command runs.
#pragma once

#include "platform/services.h"
#include "ui/common/dialog_window.h"

#include <QListWidget>
#include <QPointer>
#include <QString>

#include <filesystem>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QStatusBar;

namespace soramie {

class MainWindowPort;

// The result list: reports every mouse press after the list has handled it
// (so a press on an entry has selected it).
class ResultList : public QListWidget {
    Q_OBJECT
public:
    using QListWidget::QListWidget;
signals:
    void mousePressed(Qt::MouseButton button, QPoint globalPos);

protected:
    void mousePressEvent(QMouseEvent* event) override;
};

class SearchDialog : public DialogWindow {
    Q_OBJECT
public:
    explicit SearchDialog(MainWindowPort& main);
    ~SearchDialog() override;

    // ---- Controls ------------------------------------------------------------------
    QLineEdit* keywordField = nullptr;     // keyword, taken exactly as typed
    QPushButton* searchButton = nullptr;   // "文字列検索"
    ResultList* hitList = nullptr;         // full paths of the hits, in walk order
    QCheckBox* subfoldersCheck = nullptr;  // "サブフォルダ対象"
    QCheckBox* logFilesCheck = nullptr;    // "*.log 検索" (otherwise *.txt)
    QPushButton* clearButton = nullptr;    // "クリア"
    QProgressBar* progressBar = nullptr;
    QStatusBar* statusBar = nullptr;

    // Status bar panel n (1: the folder to search, 2: the hit count or the
    // label of the hit opened in quick mode).
    QString panel(int n) const;
    void setPanel(int n, const QString& text);

    // Candidate files of the last search, in walk order (emptied at its start).
    std::vector<std::filesystem::path> candidateFiles;

    // The text of hitList's selected entry; empty when none is selected.
    QString selectedPath() const;
    // The list holds hits (its first entry is not empty).
    [[nodiscard]] bool hasHits() const;
    // The keyword as typed.
    [[nodiscard]] QString keyword() const;
    // Removes the selected entry when it names path.
    void removeSelectedHit(const QString& path);

    // ---- Handlers ----------------------------------------------------------------------
    // Runs a search; returns when it has ended (the event loop runs meanwhile).
    void startSearch();
    // Clear: empties the list and the keyword; the display button shows the file
    // list's selection again.
    void clearResults();
    // A mouse press on hitList (after the list selected the entry under it).
    void onHitPressed(Qt::MouseButton button, QPoint globalPos);

    // True from the moment the windows are disabled until they are enabled again.
    bool searching() const { return searching_; }

protected:
    // A running search cannot be stopped; the close box waits until it ends.
    bool refusesClose() const override { return searching_; }

private:
    // Shows a message box with the dialog out of the always-on-top state.
    platform::Answer ask(const platform::MessageRequest& request);
    // Steps 4 to 12 of a search: runs with the windows disabled.
    void runSearch(const QString& keyword);
    // Disables (or enables again) the main window and the settings, search and
    // replace dialogs, whether shown or not.
    void disableWindows();
    void enableWindows();
    void showHit(const QString& path);

    QLabel* panels_[2] = {};
    std::vector<QPointer<QWidget>> disabled_;
    bool searching_ = false;
};

}  // namespace soramie
