// SPDX-License-Identifier: MIT
// The open and save dialogs. Qt's QFileDialog lists folders through
// QFileSystemModel, which reads names as UTF-8 and leaves out every file whose
// name is not (a Shift-JIS name copied from Windows never shows), and reads
// "*.*" as "has a dot". So the dialog is ours, laid out like Qt's, with Qt's own
// texts (its catalogue qtbase_ja gives them in Japanese), over a model that
// reads the folder's entries as bytes (platform/file_names.h).
#pragma once

#include <QAbstractTableModel>
#include <QDialog>
#include <QFileIconProvider>
#include <QList>
#include <QStringList>

#include <string>
#include <vector>

class QComboBox;
class QLineEdit;
class QPushButton;
class QToolButton;
class QTreeView;

namespace soramie::platform {

struct FilterPair;

// The entries of one folder that a filter lets through: every folder (hidden
// ones, whose names begin with '.', left out), and the files the pattern takes:
// "*.*" every file (names without a dot too), "*.exe" every file with an
// execute bit, any other pattern by the program's wildcard matching on the
// name's bytes. Folders first, then files, each in listing order. Columns:
// name (as the user reads it), size, type, date modified.
class FilePickerModel final : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    // Reads folder (a path that keeps its bytes); false when it cannot be read
    // (the model then stays as it was).
    bool setFolder(const QString& folder);
    void setPattern(const QString& pattern);
    [[nodiscard]] const QString& folder() const { return folder_; }

    // The listed entry's path with its bytes, and whether it is a folder.
    [[nodiscard]] QString pathOf(int row) const;
    [[nodiscard]] bool isFolder(int row) const;
    // The row of the entry shown as `shown` (or named so exactly), else -1.
    [[nodiscard]] int rowOf(const QString& shown) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    struct Entry {
        std::string bytes;  // the name as the folder holds it
        QString name;       // fromNativePath(bytes)
        QString shown;      // displayPath(name)
        bool folder = false;
        bool executable = false;
        qint64 size = 0;
        qint64 modified = 0;  // seconds since the epoch
    };
    bool takes(const Entry& entry) const;
    void filter();

    QFileIconProvider icons_;
    QString folder_;
    QString pattern_ = QStringLiteral("*");
    std::string patternBytes_ = "*";
    std::vector<Entry> entries_;
    std::vector<int> shown_;  // indexes into entries_ of the listed rows
};

// The folder a picker starts in for folder (empty: the process's current
// folder): the nearest folder at or above it that can be entered.
[[nodiscard]] QString startFolder(const QString& folder);

class FilePicker final : public QDialog {
public:
    enum class Mode { Open, Save };
    FilePicker(QWidget* owner, const QList<FilterPair>& filter, const QString& initialFolder, Mode mode);

    // The chosen file with its bytes; empty until the dialog was accepted.
    [[nodiscard]] QString selectedPath() const { return chosen_; }
    [[nodiscard]] FilePickerModel& pickerModel() { return *model_; }

    // Shows folder (false, and nothing changes, when it cannot be read).
    bool enterFolder(const QString& folder);
    // The typed or selected name: a folder is entered; a file is checked (the
    // open dialog takes only an existing file; the save dialog chooses the
    // name with its type's extension and asks before that names an existing
    // file) and chosen.
    void accept() override;

    QTreeView* view = nullptr;
    QComboBox* lookIn = nullptr;
    QLineEdit* fileName = nullptr;
    QComboBox* fileTypes = nullptr;
    QPushButton* acceptButton = nullptr;

private:
    void showFolder();
    void rowActivated(int row);
    // The path the name field stands for: the selected entry when the field
    // shows its name, an entry shown under that name, else the typed text.
    QString typedPath() const;
    // path with the extension of the chosen file type ("*.txt" gives ".txt")
    // appended unless it ends with it already; a type such as "*.*" adds none.
    [[nodiscard]] QString withTypeSuffix(const QString& path) const;

    Mode mode_;
    QStringList patterns_;
    FilePickerModel* model_;
    QStringList back_;
    QToolButton* backButton_ = nullptr;
    QString chosen_;
};

}  // namespace soramie::platform
