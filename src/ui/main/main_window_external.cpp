// SPDX-License-Identifier: MIT
// MainWindow: files that come from outside the window: the command line, a second
// start of the program, a drop from a file manager onto the pane.
#include "ui/main/main_window.h"

#include "platform/file_names.h"
#include "ui/common/pane_command.h"
#include "ui/pane/text_pane.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

#include <sys/stat.h>

#include <new>

namespace soramie {

namespace {

// The first local file among the URLs of a drag, or empty when there is none
// (a web link, a remote location).
QString droppedFile(const QMimeData* mime)
{
    if (mime == nullptr || !mime->hasUrls()) return {};
    for (const QUrl& url : mime->urls()) {
        if (url.isLocalFile()) return pathOfFileUrl(url);
    }
    return {};
}

// Watches the pane's viewport, which receives the drag events of a scroll area.
class PaneDropFilter final : public QObject {
public:
    explicit PaneDropFilter(MainWindow& form) : QObject(&form), form_(form) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
            case QEvent::DragEnter:
            case QEvent::DragMove: {
                auto* drag = static_cast<QDragMoveEvent*>(event);
                if (droppedFile(drag->mimeData()).isEmpty()) {
                    drag->ignore();
                } else {
                    drag->setDropAction(Qt::CopyAction);
                    drag->accept();
                }
                return true;
            }
            case QEvent::Drop: {
                auto* drop = static_cast<QDropEvent*>(event);
                const QString path = droppedFile(drop->mimeData());
                if (path.isEmpty()) return QObject::eventFilter(watched, event);
                drop->setDropAction(Qt::CopyAction);
                drop->accept();
                // Shown once the drop has finished, so that a message box never
                // holds the file manager's drag open.
                QTimer::singleShot(0, &form_, [form = &form_, path] {
                    try {
                        form->showFileFromOutside(path);
                    } catch (const std::bad_alloc&) {
                        form->reportCommand(CommandOutcome::OutOfMemory);  // the window and its text stay
                    }
                });
                return true;
            }
            default:
                return QObject::eventFilter(watched, event);
        }
    }

private:
    MainWindow& form_;
};

}  // namespace

void MainWindow::acceptFileDrops()
{
    ui_.pane->setAcceptDrops(true);
    ui_.pane->viewport()->setAcceptDrops(true);
    ui_.pane->viewport()->installEventFilter(new PaneDropFilter(*this));
}

bool MainWindow::showFileFromOutside(const QString& path)
{
    const QString file = absoluteCleanPath(path);
    struct stat info {};
    if (::stat(toNativePath(file).c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        showCannotOpen();
        return false;
    }
    const QString folder = file.left(file.lastIndexOf(QLatin1Char('/')) + 1);
    const QString previous = processFolder();
    // The open dialog leaves the process in the chosen file's folder; so does this.
    if (!enterProcessFolder(folder)) {
        showCannotOpen();
        return false;
    }
    if (showOpenedFile(file, folder)) return true;
    enterProcessFolder(previous);
    return false;
}

void MainWindow::showHandedOverFile(const QString& path)
{
    if (!isEnabled() || QApplication::activeModalWidget() != nullptr || commandRunning()) {
        QTimer::singleShot(200, this, [this, path] { showHandedOverFile(path); });
        return;
    }
    bringToFront();
    showFileFromOutside(path);
}

void MainWindow::bringToFront()
{
    if (isMinimized()) setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

}  // namespace soramie
