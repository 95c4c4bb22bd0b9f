// SPDX-License-Identifier: MIT
#include "fake_services.h"

#include "core/file_io.h"
#include "platform/file_names.h"

#include <QAction>
#include <QCoreApplication>
#include <QEventLoop>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

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
    const auto bytes = readWholeFile(toNativePath(path));
    return bytes ? QByteArray::fromStdString(*bytes) : QByteArray("<missing>");
}

bool runModal(QDialog* dialog, const std::function<void()>& whileOpen, int result)
{
    const QPointer<QDialog> open = dialog;
    EXPECT_TRUE(dialog->windowFlags().testFlag(Qt::WindowStaysOnTopHint))
        << "hidden under the always-on-top dialogs: " << dialog->windowTitle().toStdString();
    QMetaObject::invokeMethod(
        dialog,
        [open, whileOpen, result] {
            if (whileOpen) whileOpen();
            // Posted after whatever whileOpen posted, so that is delivered first.
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [open, result] {
                    if (open) open->done(result);
                },
                Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
    dialog->exec();
    if (!open) {
        ADD_FAILURE() << "a box or picker was destroyed with its owner while it was open";
        return false;
    }
    delete open.data();
    return true;
}

platform::Answer ScriptedPrompts::message(QWidget* owner, const platform::MessageRequest& request)
{
    messages.push_back(request);
    platform::Answer answer = platform::Answer::Ok;
    if (request.buttons != platform::Buttons::Ok) {
        answer = answers.empty() ? platform::Answer::Yes : answers.front();
        if (!answers.empty()) answers.pop_front();
    }
    const auto whileOpen = [this, request] {
        if (onMessage) onMessage(request);
    };
    runModal(platform::newMessageBox(owner, request), whileOpen,
             answer == platform::Answer::No       ? QMessageBox::No
             : answer == platform::Answer::Cancel ? QMessageBox::Cancel
                                                  : QMessageBox::Yes);
    return answer;
}

QAction* ScriptedPrompts::popup(QMenu& menu, QPoint globalPos)
{
    const QString choice = popupChoices.empty() ? QString() : popupChoices.front();
    if (!popupChoices.empty()) popupChoices.pop_front();
    QAction* chosen = nullptr;
    for (QAction* action : menu.actions()) {
        if (!chosen && !choice.isEmpty() && action->isVisible() && action->isEnabled() && action->text() == choice)
            chosen = action;
    }
    popups << globalPos;
    // Like a real popup, the menu's own event loop runs until the choice is made;
    // the chosen command runs inside it.
    QEventLoop loop;
    QMetaObject::invokeMethod(
        &loop,
        [&loop, chosen] {
            if (chosen) chosen->trigger();
            loop.quit();
        },
        Qt::QueuedConnection);
    loop.exec();
    return chosen;
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
    for (const auto& [w, onTop] : topmost_) out += w != window ? u'?' : onTop ? u'+' : u'-';
    return out;
}

QString ScriptedPickers::answer(platform::PickerKind kind, QWidget* owner, const platform::Filter& filter,
                                const QString& folder)
{
    const Request request{kind == platform::PickerKind::Open   ? QStringLiteral("open")
                          : kind == platform::PickerKind::Save ? QStringLiteral("save")
                                                               : QStringLiteral("folder")};
    QString value = answers.empty() ? QString() : answers.front();
    if (!answers.empty()) answers.pop_front();
    const auto whileOpen = [this, request] {
        if (onOpen) onOpen(request);
    };
    runModal(platform::newPickerDialog(owner, kind, filter, folder), whileOpen,
             value.isEmpty() ? QDialog::Rejected : QDialog::Accepted);
    return value;
}

}  // namespace soramie::testing
