// SPDX-License-Identifier: MIT
#include "ui/main/file_browser.h"

#include "core/folder_listing.h"
#include "ui/common/path_text.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QStringListModel>
#include <QStyle>
#include <QStyledItemDelegate>

namespace soramie {

void makeFilterBox(QComboBox& combo)
{
    combo.setEditable(true);
    combo.setInsertPolicy(QComboBox::NoInsert);
    combo.setCompleter(nullptr);
    // The box's own handlers of Enter and of the end of an edit pick the item
    // that equals the typed text; a typed text is no choice.
    QLineEdit* edit = combo.lineEdit();
    QObject::disconnect(edit, &QLineEdit::returnPressed, &combo, nullptr);
    QObject::disconnect(edit, &QLineEdit::editingFinished, &combo, nullptr);
}

// ---- DriveList ---------------------------------------------------------------------

DriveList::DriveList(QWidget* parent) : QComboBox(parent)
{
    // Choosing the drive that is already shown changes nothing.
    connect(this, &QComboBox::activated, this, [this](int) {
        if (currentText() == shown_) return;
        shown_ = currentText();
        emit changed();
    });
}

void DriveList::setDrives(const QStringList& roots)
{
    const QString keep = drive();
    const QSignalBlocker block(this);
    clear();
    addItems(roots);
    if (!keep.isEmpty()) {
        if (findText(keep) < 0) addItem(keep);
        setCurrentIndex(findText(keep));
    }
    shown_ = drive();
}

void DriveList::setDrive(const QString& root)
{
    if (root == drive()) return;
    showDrive(root);
    emit changed();
}

void DriveList::showDrive(const QString& root)
{
    const QSignalBlocker block(this);
    if (findText(root) < 0) addItem(root);
    setCurrentIndex(findText(root));
    shown_ = root;
}

// ---- FolderList ------------------------------------------------------------------------

namespace {

constexpr int kPathRole = Qt::UserRole + 1;
constexpr int kDepthRole = Qt::UserRole + 2;

// Indents each folder entry by its depth, so that its text is the folder's name
// alone (type-ahead selects by name).
class DepthDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        option->rect.adjust(indent(*option, index), 0, 0, 0);
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        return QStyledItemDelegate::sizeHint(option, index) + QSize(indent(option, index), 0);
    }

private:
    static int indent(const QStyleOptionViewItem& option, const QModelIndex& index)
    {
        return index.data(kDepthRole).toInt() * option.fontMetrics.horizontalAdvance(QStringLiteral("  "));
    }
};

// "/", "/var", "/var/log" for "/var/log".
QStringList ancestorsAndSelf(const QString& folder)
{
    QStringList out{QStringLiteral("/")};
    QString walked;
    for (const QString& part : folder.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        walked += QLatin1Char('/') + part;
        out << walked;
    }
    return out;
}

}  // namespace

FolderList::FolderList(QWidget* parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    setItemDelegate(new DepthDelegate(this));
    // A double-click or Enter on an entry enters that folder.
    connect(this, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        const QString target = item->data(kPathRole).toString();
        if (target == path_) return;
        if (!setPath(target)) emit enterFailed(target);
    });
}

bool FolderList::fill(const QString& folder)
{
    auto subfolders = listSubfolders(toNativePath(folder));
    if (!subfolders) return false;
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
    clear();
    const QStringList chain = ancestorsAndSelf(folder);
    int depth = 0;
    for (const QString& step : chain) {
        const QString caption = step == QLatin1String("/") ? step : step.section(QLatin1Char('/'), -1);
        auto* item = new QListWidgetItem(open, displayPath(caption), this);
        item->setData(kPathRole, step);
        item->setData(kDepthRole, depth);
        ++depth;
    }
    setCurrentRow(static_cast<int>(chain.size()) - 1);
    for (const std::string& name : *subfolders) {
        const QString nameText = fromNativePath(name);
        auto* item = new QListWidgetItem(closed, displayPath(nameText), this);
        item->setData(kPathRole, joinPath(folder, nameText));
        item->setData(kDepthRole, depth);
    }
    return true;
}

bool FolderList::setPath(const QString& folder)
{
    const QString clean = withoutFinalSeparator(absoluteCleanPath(folder));
    if (!isEnterableFolder(clean) || !fill(clean)) return false;
    const bool differs = clean != path_;
    path_ = clean;
    if (differs) emit changed();
    return true;
}

void FolderList::refresh()
{
    if (!path_.isEmpty()) fill(path_);
}

// ---- FileList ----------------------------------------------------------------------------

FileList::FileList(QWidget* parent) : QListView(parent), model_(new QStringListModel(this))
{
    setModel(model_);
    setItemDelegate(new PathDelegate(this));
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
}

void FileList::setPath(const QString& folder)
{
    path_ = withoutFinalSeparator(folder);
    refresh();
}

void FileList::setPattern(const QString& pattern) { pattern_ = pattern; }

void FileList::refresh()
{
    QStringList names;
    if (!path_.isEmpty()) {
        if (auto listed = listMatchingFiles(toNativePath(path_), pattern_.toStdString())) {
            names.reserve(static_cast<qsizetype>(listed->size()));
            for (const std::string& name : *listed) names << fromNativePath(name);
        }
    }
    model_->setStringList(names);
    clearSelection();
    setCurrentIndex(QModelIndex());
}

QString FileList::fileName() const
{
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? QString() : rows.first().data().toString();
}

bool FileList::selectFile(const QString& name)
{
    const int row = static_cast<int>(model_->stringList().indexOf(name));
    if (row < 0) return false;
    setCurrentIndex(model_->index(row));
    return true;
}

QStringList FileList::names() const { return model_->stringList(); }

int FileList::count() const { return model_->rowCount(); }

void FileList::mousePressEvent(QMouseEvent* event)
{
    QListView::mousePressEvent(event);
    emit mousePressed(event->button(), event->globalPosition().toPoint());
}

void FileList::keyPressEvent(QKeyEvent* event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (!enter || (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        QListView::keyPressEvent(event);
        return;
    }
    event->accept();
    emit enterPressed();
}

}  // namespace soramie
