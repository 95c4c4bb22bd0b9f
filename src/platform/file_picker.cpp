// SPDX-License-Identifier: MIT
#include "platform/file_picker.h"

#include "core/wildcard.h"
#include "platform/file_names.h"
#include "platform/services.h"

#include <QAbstractItemView>
#include <QFileSystemModel>
#include <QItemSelectionModel>
#include <QMessageBox>

#include <dirent.h>
#include <sys/stat.h>
#include <algorithm>
#include <vector>

namespace soramie::platform {

namespace {

// The names of folder's entries as the folder holds them, in byte order.
std::vector<std::string> rawNames(const QString& folder)
{
    std::vector<std::string> names;
    DIR* dir = ::opendir(toNativePath(folder).c_str());
    if (dir == nullptr) return names;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

QString folderPart(const QString& path)
{
    const qsizetype cut = path.lastIndexOf(QLatin1Char('/'));
    return cut <= 0 ? QStringLiteral("/") : path.left(cut);
}

QString joined(const QString& folder, const QString& name)
{
    return folder.endsWith(QLatin1Char('/')) ? QString(folder + name) : QString(folder + QLatin1Char('/') + name);
}

bool isExecutableFile(const QString& path)
{
    struct stat info {};
    return ::stat(toNativePath(path).c_str(), &info) == 0 && S_ISREG(info.st_mode) && (info.st_mode & 0111) != 0;
}

// QFileDialog takes the patterns from the final parentheses of each entry; the
// captions stay as they are.
QStringList captions(const Filter& filter)
{
    QStringList out;
    for (const FilterPair& pair : filter) {
        const QString suffix = QLatin1Char('(') + pair.pattern + QLatin1Char(')');
        out << (pair.label.endsWith(suffix) ? pair.label : pair.label + QLatin1Char(' ') + suffix);
    }
    return out;
}

}  // namespace

QString listableFolder(const QString& folder)
{
    QString at = absoluteCleanPath(folder.isEmpty() ? processFolder() : folder);
    while (at != QLatin1String("/") && (displayPath(at) != at || !isEnterableFolder(at))) at = folderPart(at);
    return at;
}

// ---- FilePickerModel ----------------------------------------------------------------

FilePickerModel::FilePickerModel(QObject* parent) : QSortFilterProxyModel(parent)
{
    // Rows come and go as the folder changes: the raw entries are read again.
    auto forget = [this] { folders_.clear(); };
    connect(this, &QAbstractProxyModel::sourceModelChanged, this, [this, forget] {
        QFileSystemModel* model = files();
        if (model == nullptr) return;
        // Files outside the pattern are not hidden by Qt's own (dot-reading)
        // filter; this model decides which files are listed.
        model->setNameFilterDisables(true);
        connect(model, &QAbstractItemModel::rowsInserted, this, forget);
        connect(model, &QAbstractItemModel::rowsRemoved, this, forget);
        connect(model, &QAbstractItemModel::modelReset, this, forget);
        connect(model, &QAbstractItemModel::layoutChanged, this, forget);
    });
}

QFileSystemModel* FilePickerModel::files() const { return qobject_cast<QFileSystemModel*>(sourceModel()); }

void FilePickerModel::setPattern(const QString& pattern)
{
    pattern_ = pattern;
    invalidateFilter();
}

const FilePickerModel::Entry* FilePickerModel::entryFor(const QString& folder, const QString& qtName) const
{
    auto it = folders_.find(folder);
    if (it == folders_.end()) {
        QHash<QString, Entry> entries;
        for (std::string& name : rawNames(folder)) {
            // Qt's name of the entry: its UTF-8 reading, U+FFFD for other bytes.
            const QString key = QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
            if (entries.contains(key)) continue;  // Qt lists such names once; the first in byte order stands for them
            const QString shown = displayPath(fromNativePath(name));
            entries.insert(key, Entry{std::move(name), shown});
        }
        it = folders_.insert(folder, std::move(entries));
    }
    const auto entry = it->constFind(qtName);
    return entry == it->constEnd() ? nullptr : &*entry;
}

QString FilePickerModel::pathOf(const QModelIndex& index) const
{
    const QModelIndex source = mapToSource(index);
    if (!source.isValid() || files() == nullptr) return {};
    const QString qtPath = files()->filePath(source);
    const QString folder = folderPart(qtPath);
    const Entry* entry = entryFor(folder, files()->fileName(source));
    return entry != nullptr ? joined(folder, fromNativePath(entry->bytes)) : qtPath;
}

QVariant FilePickerModel::data(const QModelIndex& index, int role) const
{
    if (index.column() == 0 && (role == Qt::DisplayRole || role == Qt::EditRole) && files() != nullptr) {
        const QModelIndex source = mapToSource(index);
        const Entry* entry = entryFor(folderPart(files()->filePath(source)), files()->fileName(source));
        if (entry != nullptr) return entry->shown;
    }
    return QSortFilterProxyModel::data(index, role);
}

Qt::ItemFlags FilePickerModel::flags(const QModelIndex& index) const
{
    // Every listed row matches the filter, whatever Qt's own name filter says.
    const Qt::ItemFlags base = QSortFilterProxyModel::flags(index);
    return index.isValid() ? base | Qt::ItemIsEnabled : base;
}

bool FilePickerModel::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const
{
    QFileSystemModel* model = files();
    if (model == nullptr) return true;
    const QModelIndex source = model->index(sourceRow, 0, sourceParent);
    if (model->isDir(source)) return true;
    const QString folder = folderPart(model->filePath(source));
    const QString qtName = model->fileName(source);
    const Entry* entry = entryFor(folder, qtName);
    const std::string name = entry != nullptr ? entry->bytes : toNativePath(qtName);
    if (pattern_.compare(QLatin1String("*.exe"), Qt::CaseInsensitive) == 0) {
        return isExecutableFile(joined(folder, fromNativePath(name)));
    }
    return wildcard::matches(toNativePath(pattern_), name);
}

// ---- FilePicker -------------------------------------------------------------------------

FilePicker::FilePicker(QWidget* owner, const Filter& filter, const QString& initialFolder, AcceptMode mode)
    : QFileDialog(owner), model_(new FilePickerModel(this))
{
    setOption(DontUseNativeDialog);
    setAcceptMode(mode);
    // accept() makes the checks itself, on the names' bytes.
    setFileMode(AnyFile);
    setProxyModel(model_);
    const QStringList shown = captions(filter);
    setNameFilters(shown);
    if (!filter.isEmpty()) {
        selectNameFilter(shown.first());
        model_->setPattern(filter.first().pattern);
    }
    connect(this, &QFileDialog::filterSelected, this, [this, shown, filter](const QString& caption) {
        const qsizetype at = shown.indexOf(caption);
        if (at >= 0) model_->setPattern(filter.at(at).pattern);
    });
    setDirectory(listableFolder(initialFolder));
}

QString FilePicker::resolve(const QString& qtPath) const
{
    const QString folder = folderPart(qtPath);
    const QString name = qtPath.mid(qtPath.lastIndexOf(QLatin1Char('/')) + 1);
    // The entry selected in the list, when the name is the one it shows.
    if (const auto* view = findChild<QAbstractItemView*>(QStringLiteral("listView"))) {
        const QModelIndexList rows = view->selectionModel()->selectedRows();
        if (rows.size() == 1 && rows.first().data().toString() == name) {
            const QString path = model_->pathOf(rows.first());
            if (folderPart(path) == folder) return path;
        }
    }
    const std::string typed = toNativePath(name);
    const std::vector<std::string> names = rawNames(folder);
    if (std::find(names.begin(), names.end(), typed) != names.end()) return qtPath;
    for (const std::string& raw : names) {
        const QString path = fromNativePath(raw);
        if (displayPath(path) == name) return joined(folder, path);
    }
    return qtPath;
}

void FilePicker::accept()
{
    const QStringList typed = selectedFiles();
    if (typed.isEmpty()) return;
    const QString path = resolve(typed.first());
    struct stat info {};
    const bool exists = ::stat(toNativePath(path).c_str(), &info) == 0;
    if (exists && S_ISDIR(info.st_mode)) {
        if (displayPath(path) == path) setDirectory(path);
        return;
    }
    const QString name = displayPath(path.mid(path.lastIndexOf(QLatin1Char('/')) + 1));
    if (acceptMode() == AcceptOpen && !exists) {
        QMessageBox::warning(
            this, windowTitle(),
            QFileDialog::tr("%1\nFile not found.\nPlease verify the correct file name was given.").arg(name));
        return;
    }
    if (acceptMode() == AcceptSave && exists &&
        QMessageBox::warning(this, windowTitle(),
                             QFileDialog::tr("%1 already exists.\nDo you want to replace it?").arg(name),
                             QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes) {
        return;
    }
    chosen_ = path;
    QDialog::accept();
}

}  // namespace soramie::platform
