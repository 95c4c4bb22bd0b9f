// SPDX-License-Identifier: MIT
// A main window for dialog tests: the port the dialogs use, on a real pane and
// scripted services, recording what the dialogs ask of it. Like the real main
// window, a change of its size runs onResize (the real one unloads the
// settings and search dialogs there).
#pragma once

#include "fake_services.h"
#include "ui/common/main_window_port.h"

#include <QStringList>
#include <QTemporaryDir>
#include <QWidget>

#include <functional>
#include <map>

namespace soramie::testing {

class FakeMainWindow final : public QWidget, public MainWindowPort {
public:
    // The settings file lies in a temporary folder; the window is 11385 x 7770 twips.
    FakeMainWindow();
    ~FakeMainWindow() override;

    ViewerState& state() override { return vars; }
    platform::Services& services() override { return services_; }
    QWidget& widget() override { return *this; }
    TextPane& pane() override { return *pane_; }
    QString currentFolder() const override { return folder; }
    void refreshFileList() override { ++fileListRefreshes; }
    void setPanel(int n, const QString& text) override { panels[n] = text; }
    void setCaption(const QString& name) override;
    bool quickMode() const override { return quick; }
    void setDisplayButtonEnabled(bool enabled) override { displayButton = enabled; }
    void enableDisplay() override;
    // Records the keyword; answers keywordFound.
    bool selectKeyword(const QString& keyword) override;
    bool mayDropEdits() override { return true; }
    // Records "path@x,y" with the pro in force, then runs onPopup (the chosen command).
    void showFilePopup(const QString& path, QPoint globalPos) override;
    void setProgramItem(const QString& program, const QString& name) override;
    void setWrapCount(const QString& count) override { wrapCount = count; }
    TwipsSize windowSize() const override;
    void setWindowSize(TwipsSize size) override;
    QList<QWidget*> commandWindows() override { return QList<QWidget*>{this} + otherWindows; }

    // Writes the settings file (CP932 bytes as given).
    bool writeSettings(const QByteArray& ini);
    QString settingsPath() const { return services_.app.settingsPath(); }

    QTemporaryDir dir;
    FakeServices fakes;
    ViewerState vars;
    QString folder;
    bool quick = false;
    bool displayButton = false;
    bool keywordFound = true;
    std::map<int, QString> panels;
    QStringList popups;
    QStringList selectedKeywords;
    QString programItem;
    QString wrapCount;
    int fileListRefreshes = 0;
    QList<QWidget*> otherWindows;
    std::function<void()> onResize;
    std::function<void(const QString&)> onPopup;

private:
    platform::Services services_;
    TextPane* pane_;
};

}  // namespace soramie::testing
