// SPDX-License-Identifier: MIT
#include "fake_services.h"

#include <QAction>
#include <QMenu>

namespace soramie::testing {

platform::Answer ScriptedPrompts::message(QWidget*, const platform::MessageRequest& request)
{
    messages.push_back(request);
    if (onMessage) onMessage(request);
    if (request.buttons == platform::Buttons::Ok) return platform::Answer::Ok;
    if (answers.empty()) return platform::Answer::Yes;
    const platform::Answer answer = answers.front();
    answers.pop_front();
    return answer;
}

QAction* ScriptedPrompts::popup(QMenu& menu, QPoint globalPos)
{
    Popup record{{}, globalPos};
    for (QAction* action : menu.actions()) {
        if (!action->isVisible()) continue;
        record.visibleItems << (action->isSeparator() ? QStringLiteral("-") : action->text());
    }
    popups.push_back(record);
    QString choice;
    if (!popupChoices.empty()) {
        choice = popupChoices.front();
        popupChoices.pop_front();
    }
    if (choice.isEmpty()) return nullptr;
    for (QAction* action : menu.actions()) {
        if (action->isVisible() && action->isEnabled() && !action->isSeparator() && action->text() == choice) {
            action->trigger();
            return action;
        }
    }
    return nullptr;
}

QStringList ScriptedPrompts::messageTexts() const
{
    QStringList out;
    for (const auto& m : messages) out << m.text;
    return out;
}

namespace {

QString next(std::deque<QString>& queue)
{
    if (queue.empty()) return {};
    QString value = queue.front();
    queue.pop_front();
    return value;
}

}  // namespace

QString ScriptedPickers::askOpen(QWidget* owner, const platform::Filter& filter, const QString& initialFolder)
{
    requests.push_back({QStringLiteral("open"), owner, filter, initialFolder});
    return next(openAnswers);
}

QString ScriptedPickers::askSave(QWidget* owner, const platform::Filter& filter, const QString& initialFolder)
{
    requests.push_back({QStringLiteral("save"), owner, filter, initialFolder});
    return next(saveAnswers);
}

QString ScriptedPickers::askFolder(QWidget* owner)
{
    requests.push_back({QStringLiteral("folder"), owner, {}, {}});
    return next(folderAnswers);
}

bool ScriptedPickers::applyTopmost(QWidget* window, bool onTop)
{
    topmostCalls.push_back({window, onTop});
    return true;
}

bool RecordingLauncher::start(const QString& commandLine, const QString& filePath)
{
    starts.push_back({commandLine, filePath});
    return succeed;
}

void FakeTray::add(const QString& toolTip)
{
    if (isShown) return;
    isShown = true;
    ++adds;
    tip = toolTip;
}

void FakeTray::remove()
{
    if (!isShown) return;
    isShown = false;
    ++removes;
}

FakeServices::FakeServices(const QString& appDir, const QString& defaultFolder, const QString& homeFolder)
{
    app.executableDir = appDir;
    app.baseName = QStringLiteral("soramie");
    app.defaultStartFolder = defaultFolder;
    app.homeFolder = homeFolder;
}

platform::Services FakeServices::services()
{
    return platform::Services{prompts, pickers, launcher, instance, drives, tray, app};
}

}  // namespace soramie::testing
