// SPDX-License-Identifier: MIT
#include "fake_main_window.h"

#include "ui/pane/text_pane.h"

namespace soramie::testing {

// The services' AppInfo is a copy: the paths are set before it is taken.
static FakeServices& inFolder(FakeServices& fakes, const QString& folder)
{
    fakes.app.executableDir = fakes.app.defaultStartFolder = fakes.app.homeFolder = folder;
    return fakes;
}

FakeMainWindow::FakeMainWindow() : services_(inFolder(fakes, dir.path()).services()), pane_(new TextPane(this))
{
    folder = dir.path();
    pane_->resize(Twips(8895).toPixels(), Twips(6255).toPixels());
    resize(Twips(11385).toPixels(), Twips(7770).toPixels());
}

void FakeMainWindow::setProgramItem(const QString& program, const QString& name)
{
    programItem = program + QLatin1Char('|') + name;
}

void FakeMainWindow::enableDisplay() { pane_->setEnabled(true); }

void FakeMainWindow::showDocument(const DocumentPtr& doc, const QString& path)
{
    pane_->setDocument(doc);
    vars.shownPath = path;
}

void FakeMainWindow::showSearchHitFile(const QString& path, const QString& keyword, HitPress press)
{
    shownHits << QStringLiteral("%1|%2|%3").arg(path, keyword).arg(static_cast<int>(press));
}

void FakeMainWindow::forgetShownFile()
{
    pane_->setDocument(nullptr);
    vars.shownPath.clear();
}

bool FakeMainWindow::selectKeyword(const QString& keyword)
{
    selectedKeywords << keyword;
    return true;
}

void FakeMainWindow::showFilePopup(const QString& path, QPoint globalPos)
{
    popups << QStringLiteral("%1@%2,%3 program=%4")
                  .arg(path)
                  .arg(globalPos.x())
                  .arg(globalPos.y())
                  .arg(vars.settings.programCommand);
    if (onPopup) onPopup(path);
}

TwipsSize FakeMainWindow::windowSize() const { return {Twips::fromPixels(width()), Twips::fromPixels(height())}; }

void FakeMainWindow::setWindowSize(TwipsSize size)
{
    if (size == windowSize()) return;
    resize(size.width.toPixels(), size.height.toPixels());
    if (onResize) onResize();
}

bool FakeMainWindow::writeSettings(const QByteArray& ini) { return writeFile(settingsPath(), ini); }

}  // namespace soramie::testing
