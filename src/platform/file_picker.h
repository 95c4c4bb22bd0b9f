// SPDX-License-Identifier: MIT
// The open and save dialogs: QFileDialog (the non-native one, with Qt's own
// texts) over a model that shows every name as the user reads it and answers
// with the file-name bytes (platform/file_names.h).
//
// Qt lists a folder through QFileSystemModel, which decodes names as UTF-8 and
// turns other bytes into U+FFFD. FilePickerModel sits over that model: it reads
// the folder's raw entries itself, shows each name with displayPath() and keeps
// its bytes, and decides which files a filter lists: "*.*" every file (names
// without a dot too), "*.exe" every file with an execute bit, any other pattern
// by the program's wildcard matching. Folders are always listed.
#pragma once

#include <QFileDialog>
#include <QHash>
#include <QSortFilterProxyModel>

#include <string>

class QFileSystemModel;

namespace soramie::platform {

struct FilterPair;

class FilePickerModel final : public QSortFilterProxyModel {
public:
    explicit FilePickerModel(QObject* parent = nullptr);

    // The pattern of the chosen filter entry ("*.txt", "*.*", "*.exe").
    void setPattern(const QString& pattern);

    // The entry's path with its file-name bytes (file_names.h).
    [[nodiscard]] QString pathOf(const QModelIndex& index) const;

    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

private:
    struct Entry {
        std::string bytes;  // the name as the folder holds it
        QString shown;      // displayPath() of the name
    };
    // The raw entry behind a name of Qt's listing in folder (Qt's text).
    const Entry* entryFor(const QString& folder, const QString& qtName) const;
    QFileSystemModel* files() const;

    QString pattern_ = QStringLiteral("*");
    // Per folder (Qt's text): Qt's name of each entry -> the entry.
    mutable QHash<QString, QHash<QString, Entry>> folders_;
};

// The dialog. selectedPath() is the chosen file with its bytes, empty when the
// dialog was cancelled. The open dialog accepts only an existing file; the save
// dialog asks before it names an existing one; both with Qt's own texts.
// The folder a picker shows for folder (empty: the process's current folder):
// the nearest folder at or above it that Qt's listing can show, one whose path
// is valid UTF-8 and that can be entered.
[[nodiscard]] QString listableFolder(const QString& folder);

class FilePicker final : public QFileDialog {
public:
    FilePicker(QWidget* owner, const QList<FilterPair>& filter, const QString& initialFolder, AcceptMode mode);

    [[nodiscard]] QString selectedPath() const { return chosen_; }
    [[nodiscard]] FilePickerModel& pickerModel() { return *model_; }

    void accept() override;

private:
    // The typed or selected name in the shown folder as a path with its bytes:
    // the entry whose shown name it is, else the name's UTF-8.
    QString resolve(const QString& qtPath) const;

    FilePickerModel* model_;
    QString chosen_;
};

}  // namespace soramie::platform
