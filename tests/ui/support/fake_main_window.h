// SPDX-License-Identifier: MIT
// A main window for dialog tests, and their fixture: the port the dialogs use, on a real pane and
// scripted services, recording what the dialogs ask of it. Like the real main
// window, a change of its size runs onResize (the real one unloads the
// settings and search dialogs there).
#pragma once

#include "fake_services.h"
#include "ui/common/main_window_port.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace soramie::testing {

class FakeMainWindow final : public QWidget, public MainWindowPort {
public:
    // The settings file lies in a temporary folder; the window is 11385 x 7770 twips.
    FakeMainWindow();

    platform::Services& services() override { return services_; }
    QWidget& widget() override { return *this; }
    TextPane& pane() override { return *pane_; }
    UserSettings& userSettings() override { return vars.settings; }
    QString currentFolder() const override { return folder; }
    void refreshFileList() override {}
    void setPanel(int, const QString&) override {}
    void setCaption(const QString&) override {}
    bool quickMode() const override { return quick; }
    void setDisplayButtonEnabled(bool) override {}
    void setShownFrom(ShownFrom from) override { vars.shownFrom = from; }
    ShownFrom shownFrom() const override { return vars.shownFrom; }
    QString shownPath() const override { return vars.shownPath; }
    void showDocument(const DocumentPtr& doc, const QString& path) override;
    void forgetShownFile() override;
    // Records "path|keyword|press" (press 0: display button, 1: quick press).
    void showSearchHitFile(const QString& path, const QString& keyword, HitPress press) override;
    void reportCommand(CommandOutcome) override {}
    ReplaceMode replaceMode() const override { return vars.replaceMode; }
    void setReplaceMode(ReplaceMode mode) override { vars.replaceMode = mode; }
    QString selectedSearchHit() const override { return {}; }
    void removeSearchHit(const QString&) override {}
    void enableDisplay() override;
    // Records the keyword; answers that it was found.
    bool selectKeyword(const QString& keyword) override;
    bool mayDropEdits() override { return true; }
    // Records "path@x,y" with the program command in force, then runs onPopup (the chosen command).
    void showFilePopup(const QString& path, QPoint globalPos) override;
    void setProgramItem(const QString& program, const QString& name) override;
    void setWrapCount(qint64 count) override { wrapCount = count; }
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
    QStringList popups;
    QStringList selectedKeywords;
    QStringList shownHits;
    QString programItem;
    qint64 wrapCount = 0;
    QList<QWidget*> otherWindows;
    std::function<void()> onResize;
    std::function<void(const QString&)> onPopup;

private:
    platform::Services services_;
    TextPane* pane_;
};

// One fixture for the dialog tests: a shown fake main window and the dialogs a
// test opens on it (destroyed before the window).
class DialogTest : public ::testing::Test {
protected:
    DialogTest() { main.show(); }
    ~DialogTest() override
    {
        for (const auto& dialog : dialogs_) delete dialog.data();
    }

    // Creates dialog D on the main window and shows it, as the menu command does.
    template <class D>
    D& open()
    {
        auto* dialog = new D(main);
        dialogs_.emplace_back(dialog);
        dialog->show();
        return *dialog;
    }

    FakeMainWindow main;
    ScriptedPrompts& prompts = main.fakes.prompts;
    ScriptedPickers& pickers = main.fakes.pickers;

private:
    std::vector<QPointer<QWidget>> dialogs_;
};

}  // namespace soramie::testing
