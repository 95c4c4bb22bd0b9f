// SPDX-License-Identifier: MIT
#include "platform/file_picker.h"

#include "platform/qt_services.h"

#include "core/folder_listing.h"
#include "core/wildcard.h"
#include "platform/file_names.h"
#include "platform/services.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QPointer>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QTreeView>

#include <sys/stat.h>
#include <algorithm>

namespace soramie::platform {

namespace {

// Qt's own texts, from Qt's catalogue.
QString qtText(const char* context, const char* text) { return QCoreApplication::translate(context, text); }
QString dialogText(const char* text) { return qtText("QFileDialog", text); }

enum Column { NameColumn, SizeColumn, TypeColumn, DateColumn, ColumnCount };

QString parentOf(const QString& path)
{
    const qsizetype cut = path.lastIndexOf(QLatin1Char('/'));
    return cut <= 0 ? QStringLiteral("/") : path.left(cut);
}

QString joined(const QString& folder, const QString& name)
{
    return folder.endsWith(QLatin1Char('/')) ? QString(folder + name) : QString(folder + QLatin1Char('/') + name);
}

QString nameOf(const QString& path) { return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1); }

}  // namespace

// ---- FilePickerModel ----------------------------------------------------------------

bool FilePickerModel::setFolder(const QString& folder)
{
    // A listing that failed part way shows what was read.
    auto contents = readFolder(toNativePath(folder));
    if (!contents) return false;
    std::vector<Entry> read;
    read.reserve(contents->entries.size());
    for (FolderEntry& item : contents->entries) {
        Entry entry;
        entry.name = fromNativePath(item.name);
        entry.shown = displayPath(entry.name);
        entry.bytes = std::move(item.name);
        entry.folder = item.kind == FolderEntry::Kind::Folder;
        entry.executable = item.executable;
        entry.size = static_cast<qint64>(item.size);
        entry.modified = static_cast<qint64>(item.modified);
        read.push_back(std::move(entry));
    }
    // Folders first, then files, each in listing order.
    std::stable_partition(read.begin(), read.end(), [](const Entry& entry) { return entry.folder; });
    beginResetModel();
    folder_ = folder;
    entries_ = std::move(read);
    filter();
    endResetModel();
    return true;
}

void FilePickerModel::setPattern(const QString& pattern)
{
    beginResetModel();
    pattern_ = pattern;
    filter();
    endResetModel();
}

bool FilePickerModel::takes(const Entry& entry) const
{
    if (entry.folder) return true;
    if (pattern_.compare(QLatin1String("*.exe"), Qt::CaseInsensitive) == 0) return entry.executable;
    return wildcard::matches(patternBytes_, entry.bytes);
}

void FilePickerModel::filter()
{
    patternBytes_ = toNativePath(pattern_);
    shown_.clear();
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        if (takes(entries_[i])) shown_.push_back(static_cast<int>(i));
    }
}

QString FilePickerModel::pathOf(int row) const
{
    return row >= 0 && row < rowCount()
               ? joined(folder_, entries_[static_cast<std::size_t>(shown_[static_cast<std::size_t>(row)])].name)
               : QString();
}

bool FilePickerModel::isFolder(int row) const
{
    return row >= 0 && row < rowCount() &&
           entries_[static_cast<std::size_t>(shown_[static_cast<std::size_t>(row)])].folder;
}

int FilePickerModel::rowOf(const QString& shown) const
{
    int byShown = -1;
    for (int row = 0; row < rowCount(); ++row) {
        const Entry& entry = entries_[static_cast<std::size_t>(shown_[static_cast<std::size_t>(row)])];
        if (entry.name == shown) return row;  // the name itself wins over a name shown alike
        if (byShown < 0 && entry.shown == shown) byShown = row;
    }
    return byShown;
}

int FilePickerModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(shown_.size());
}

int FilePickerModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant FilePickerModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const Entry& entry = entries_[static_cast<std::size_t>(shown_[static_cast<std::size_t>(index.row())])];
    if (role == Qt::DecorationRole && index.column() == NameColumn) {
        return icons_.icon(entry.folder ? QAbstractFileIconProvider::Folder : QAbstractFileIconProvider::File);
    }
    if (role == Qt::TextAlignmentRole && index.column() == SizeColumn) {
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    }
    if (role != Qt::DisplayRole) return {};
    switch (index.column()) {
        case NameColumn:
            return entry.shown;
        case SizeColumn:
            return entry.folder ? QString() : QLocale().formattedDataSize(entry.size);
        case TypeColumn: {
            // As Qt's dialog names types: the folder text, else the kind the name says.
            if (entry.folder) return dialogText("Folder");
            const QMimeType kind = QMimeDatabase().mimeTypeForFile(entry.shown, QMimeDatabase::MatchExtension);
            return kind.comment().isEmpty() ? kind.name() : kind.comment();
        }
        case DateColumn:
            return QLocale().toString(QDateTime::fromSecsSinceEpoch(entry.modified), QLocale::ShortFormat);
        default:
            return {};
    }
}

QVariant FilePickerModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    static const char* const titles[] = {"Name", "Size", "Type", "Date Modified"};
    return section >= 0 && section < ColumnCount ? qtText("QFileSystemModel", titles[section]) : QVariant();
}

// ---- FilePicker -------------------------------------------------------------------------

QString startFolder(const QString& folder)
{
    QString at = absoluteCleanPath(folder.isEmpty() ? processFolder() : folder);
    while (at != QLatin1String("/") && !isEnterableFolder(at)) at = parentOf(at);
    return at;
}

FilePicker::FilePicker(QWidget* owner, const QList<FilterPair>& filter, const QString& initialFolder, Mode mode)
    : QDialog(owner), mode_(mode), model_(new FilePickerModel(this))
{
    setObjectName(QStringLiteral("FilePicker"));
    setWindowTitle(dialogText(mode == Mode::Open ? "Open" : "Save As"));
    setSizeGripEnabled(true);

    lookIn = new QComboBox(this);
    lookIn->setObjectName(QStringLiteral("lookIn"));
    lookIn->setMinimumContentsLength(30);
    backButton_ = new QToolButton(this);
    backButton_->setIcon(style()->standardIcon(QStyle::SP_ArrowBack));
    backButton_->setToolTip(dialogText("Back"));
    backButton_->setEnabled(false);
    auto* upButton = new QToolButton(this);
    upButton->setIcon(style()->standardIcon(QStyle::SP_FileDialogToParent));
    upButton->setToolTip(dialogText("Parent Directory"));

    view = new QTreeView(this);
    view->setObjectName(QStringLiteral("view"));
    view->setModel(model_);
    view->setRootIsDecorated(false);
    view->setItemsExpandable(false);
    view->setUniformRowHeights(true);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Every column title stays whole: the name column has room for a long name,
    // the others fit their contents, the last one takes what is left.
    const int em = fontMetrics().horizontalAdvance(QStringLiteral("あ"));
    view->header()->setMinimumSectionSize(fontMetrics().horizontalAdvance(QStringLiteral("更新日時")) + em);
    view->header()->setSectionResizeMode(QHeaderView::Interactive);
    view->header()->setSectionResizeMode(SizeColumn, QHeaderView::ResizeToContents);
    view->header()->setSectionResizeMode(TypeColumn, QHeaderView::ResizeToContents);
    view->setColumnWidth(NameColumn, em * 18);
    view->setMinimumSize(em * 48, fontMetrics().height() * 16);

    fileName = new QLineEdit(this);
    fileName->setObjectName(QStringLiteral("fileName"));
    fileTypes = new QComboBox(this);
    fileTypes->setObjectName(QStringLiteral("fileTypes"));
    for (const FilterPair& pair : filter) {
        const QString suffix = QLatin1Char('(') + pair.pattern + QLatin1Char(')');
        fileTypes->addItem(pair.label.endsWith(suffix) ? pair.label : pair.label + QLatin1Char(' ') + suffix);
        patterns_ << pair.pattern;
    }
    auto* buttons = new QDialogButtonBox(Qt::Vertical, this);
    acceptButton = buttons->addButton(dialogText(mode == Mode::Open ? "&Open" : "&Save"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QDialogButtonBox::Cancel);

    auto* nameLabel = new QLabel(dialogText("File &name:"), this);
    nameLabel->setBuddy(fileName);
    auto* typeLabel = new QLabel(dialogText("Files of type:"), this);
    typeLabel->setBuddy(fileTypes);
    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(dialogText("Look in:"), this));
    top->addWidget(lookIn, 1);
    top->addWidget(backButton_);
    top->addWidget(upButton);
    auto* grid = new QGridLayout(this);
    grid->addLayout(top, 0, 0, 1, 3);
    grid->addWidget(view, 1, 0, 1, 3);
    grid->addWidget(nameLabel, 2, 0);
    grid->addWidget(fileName, 2, 1);
    grid->addWidget(typeLabel, 3, 0);
    grid->addWidget(fileTypes, 3, 1);
    grid->addWidget(buttons, 2, 2, 2, 1);

    connect(buttons, &QDialogButtonBox::accepted, this, &FilePicker::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(view, &QAbstractItemView::activated, this, [this](const QModelIndex& index) { rowActivated(index.row()); });
    connect(view->selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this](const QModelIndex& current) {
        if (current.isValid() && !model_->isFolder(current.row())) {
            fileName->setText(current.siblingAtColumn(NameColumn).data().toString());
        }
    });
    connect(fileTypes, &QComboBox::activated, this, [this](int index) {
        if (index >= 0 && index < patterns_.size()) model_->setPattern(patterns_.at(index));
    });
    connect(lookIn, &QComboBox::activated, this,
            [this](int index) { enterFolder(lookIn->itemData(index).toString()); });
    connect(upButton, &QToolButton::clicked, this, [this] { enterFolder(parentOf(model_->folder())); });
    connect(backButton_, &QToolButton::clicked, this, [this] {
        if (back_.isEmpty()) return;
        const QString previous = back_.takeLast();
        const QStringList history = back_;
        if (enterFolder(previous)) back_ = history;
        backButton_->setEnabled(!back_.isEmpty());
    });
    // Tab goes from the list to the name, the type and the buttons, then back
    // to the folder; Shift+Tab from the name reaches the list.
    QWidget* const order[] = {lookIn,   backButton_, upButton,     view,
                              fileName, fileTypes,   acceptButton, buttons->button(QDialogButtonBox::Cancel)};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);
    auto updateAccept = [this] { acceptButton->setEnabled(!fileName->text().isEmpty()); };
    connect(fileName, &QLineEdit::textChanged, this, updateAccept);
    updateAccept();

    if (!patterns_.isEmpty()) model_->setPattern(patterns_.first());
    if (!enterFolder(startFolder(initialFolder))) enterFolder(QStringLiteral("/"));
    fileName->setFocus();
}

bool FilePicker::enterFolder(const QString& folder)
{
    const QString previous = model_->folder();
    if (!model_->setFolder(folder)) return false;
    if (!previous.isEmpty() && previous != folder) back_ << previous;
    backButton_->setEnabled(!back_.isEmpty());
    showFolder();
    return true;
}

void FilePicker::showFolder()
{
    // The folder and every folder above it, the folder itself selected.
    lookIn->clear();
    QString at = model_->folder();
    for (;;) {
        lookIn->insertItem(0, displayPath(at), at);
        if (at == QLatin1String("/")) break;
        at = parentOf(at);
    }
    lookIn->setCurrentIndex(lookIn->count() - 1);
    view->scrollToTop();
}

void FilePicker::rowActivated(int row)
{
    if (model_->isFolder(row)) {
        enterFolder(model_->pathOf(row));
        return;
    }
    fileName->setText(model_->index(row, NameColumn).data().toString());
    accept();
}

QString FilePicker::typedPath() const
{
    const QString text = fileName->text();
    const QModelIndex current = view->currentIndex();
    if (current.isValid() && current.siblingAtColumn(NameColumn).data().toString() == text) {
        return model_->pathOf(current.row());
    }
    if (text.startsWith(QLatin1Char('/'))) return absoluteCleanPath(text);
    const int row = model_->rowOf(text);
    return row >= 0 ? model_->pathOf(row) : absoluteCleanPath(joined(model_->folder(), text));
}

QString FilePicker::withTypeSuffix(const QString& path) const
{
    const QString pattern = patterns_.value(fileTypes->currentIndex());
    if (!pattern.startsWith(QLatin1String("*.")) || pattern.indexOf(QLatin1Char('*'), 1) >= 0 ||
        pattern.contains(QLatin1Char('?'))) {
        return path;
    }
    const QString suffix = pattern.mid(1);
    return path.endsWith(suffix) ? path : path + suffix;
}

void FilePicker::accept()
{
    if (fileName->text().isEmpty()) return;
    struct stat info {};
    bool exists = false;
    // True when path is a folder, which is entered instead of chosen.
    const auto enteredFolder = [&](const QString& path) {
        exists = ::stat(toNativePath(path).c_str(), &info) == 0;
        if (!exists || !S_ISDIR(info.st_mode)) return false;
        if (enterFolder(path)) fileName->clear();
        return true;
    };
    QString path = typedPath();
    if (enteredFolder(path)) return;
    // A save goes to the name with its type's extension: the question is about that file.
    if (mode_ == Mode::Save) {
        path = withTypeSuffix(path);
        if (enteredFolder(path)) return;
    }
    const QString name = displayPath(nameOf(path));
    if (mode_ == Mode::Open && !exists) {
        QMessageBox::warning(
            this, windowTitle(),
            dialogText("%1\nFile not found.\nPlease verify the correct file name was given.").arg(name));
        return;
    }
    if (mode_ == Mode::Save && exists) {
        const MessageRequest question{dialogText("%1 already exists.\nDo you want to replace it?").arg(name),
                                      windowTitle(), Buttons::YesNo, Icon::Warning, Answer::No};
        const QPointer<QMessageBox> box = newMessageBox(this, question);
        const int result = box->exec();
        delete box.data();
        if (answerOf(question, result) != Answer::Yes) return;
    }
    chosen_ = path;
    QDialog::accept();
}

}  // namespace soramie::platform
