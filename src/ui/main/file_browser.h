// SPDX-License-Identifier: MIT
// The three list controls of the main window's file browser: the drive list, the
// folder list and the file list. Each holds its own state (drive, path, pattern,
// selection); the main window keeps them in step through their change signals.
// Folder paths have no final separator except for a root ("/", a drive root).
#pragma once

#include <QComboBox>
#include <QListView>
#include <QListWidget>
#include <QStringList>

class QStringListModel;

namespace soramie {

// Makes combo an editable filter box: the user may type any text, and only
// choosing one of its items (from the drop-down list, or with the arrow keys
// or the wheel) emits activated. Enter and leaving the box choose nothing,
// and typed text is never completed into an item.
void makeFilterBox(QComboBox& combo);

// A drop-down of drive roots. Choosing another drive than the one shown emits
// changed(); choosing the shown one does nothing.
class DriveList : public QComboBox {
    Q_OBJECT
public:
    explicit DriveList(QWidget* parent = nullptr);
    // Replaces the entries, keeping the current drive when it is still listed.
    void setDrives(const QStringList& roots);
    QString drive() const { return currentText(); }
    // Selects root (added when missing); emits changed() only when it differs.
    void setDrive(const QString& root);
    // Selects root without emitting changed(): keeps the list in step with a
    // folder reached another way.
    void showDrive(const QString& root);

signals:
    void changed();

private:
    QString shown_;
};

// The classic folder list: the path from the root down to the current folder,
// then the current folder's subfolders, each one level deeper. A double-click on
// an entry makes it the current folder.
class FolderList : public QListWidget {
    Q_OBJECT
public:
    explicit FolderList(QWidget* parent = nullptr);
    QString path() const { return path_; }
    // Makes folder current and re-reads it; emits changed() when it differs from
    // the previous path. Returns false (and keeps the previous path) when the
    // folder cannot be read.
    bool setPath(const QString& folder);
    // Re-reads the subfolders of the current folder.
    void refresh();

signals:
    void changed();
    // A double-clicked folder that could not be read.
    void enterFailed(const QString& folder);

private:
    bool fill(const QString& folder);
    QString path_;
};

// The files of a folder that match a pattern, sorted, hidden files left out.
// A mouse press reports the button after the list has updated its selection.
class FileList : public QListView {
    Q_OBJECT
public:
    explicit FileList(QWidget* parent = nullptr);
    QString path() const { return path_; }
    QString pattern() const { return pattern_; }
    // Points the list at folder and re-reads it; the selection is cleared.
    void setPath(const QString& folder);
    void setPattern(const QString& pattern);
    // Re-reads the folder; the selection is cleared.
    void refresh();
    // The selected file's name, or empty.
    QString fileName() const;
    // Selects the entry called name; false when it is not listed.
    bool selectFile(const QString& name);
    QStringList names() const;
    int count() const;

signals:
    void mousePressed(Qt::MouseButton button, QPoint globalPos);
    // Enter or Return (without Ctrl or Alt) on the list; the key goes no further.
    void enterPressed();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QString path_;
    QString pattern_ = QStringLiteral("*.txt");
    QStringListModel* model_;
};

}  // namespace soramie
