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

QString ScriptedPickers::answer(Request request, std::deque<QString>& queue)
{
    requests.push_back(std::move(request));
    if (queue.empty()) return {};
    QString value = queue.front();
    queue.pop_front();
    return value;
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
