// SPDX-License-Identifier: MIT
#include "fake_services.h"

#include "platform/file_names.h"

#include <QAction>
#include <QMenu>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace soramie::testing {

bool writeFile(const QString& path, const QByteArray& bytes)
{
    const std::filesystem::path native = toNativePath(path);
    std::error_code ec;
    std::filesystem::create_directories(native.parent_path(), ec);
    std::ofstream out(native, std::ios::binary | std::ios::trunc);
    out.write(bytes.constData(), bytes.size());
    return static_cast<bool>(out.flush());
}

bool makeFolder(const QString& path)
{
    std::error_code ec;
    std::filesystem::create_directories(toNativePath(path), ec);
    return std::filesystem::is_directory(toNativePath(path), ec);
}

QByteArray bytesOf(const QString& path)
{
    std::ifstream in(toNativePath(path), std::ios::binary);
    if (!in) return "<missing>";
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return QByteArray::fromStdString(bytes.str());
}

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
        if (action->isVisible()) record.visibleItems << (action->isSeparator() ? QStringLiteral("-") : action->text());
    }
    popups.push_back(record);
    const QString choice = popupChoices.empty() ? QString() : popupChoices.front();
    if (!popupChoices.empty()) popupChoices.pop_front();
    for (QAction* action : menu.actions()) {
        if (!choice.isEmpty() && action->isVisible() && action->isEnabled() && action->text() == choice) {
            action->trigger();
            return action;
        }
    }
    return nullptr;
}

QStringList ScriptedPrompts::boxes() const
{
    QStringList out;
    for (const auto& m : messages) out << m.title + QLatin1Char('|') + m.text;
    return out;
}

QString ScriptedPickers::stacking(const QWidget* window) const
{
    QString out;
    for (const auto& c : topmostCalls) out += c.window != window ? u'?' : c.onTop ? u'+' : u'-';
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

QString FakeTray::record() const
{
    return QStringLiteral("%1 +%2 -%3 %4")
        .arg(isShown ? QStringLiteral("shown") : QStringLiteral("none"))
        .arg(adds)
        .arg(removes)
        .arg(tip);
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
