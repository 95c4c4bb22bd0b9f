// SPDX-License-Identifier: MIT
#include "form1_harness.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace soramie::testing {

bool writeFile(const QString& path, const QByteArray& bytes)
{
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) return false;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    return file.write(bytes) == bytes.size();
}

bool makeFolder(const QString& path) { return QDir().mkpath(path); }

namespace {

// The tree must exist before FakeServices reads its paths.
QString prepared(const QTemporaryDir& dir, const char* name)
{
    const QString path = dir.path() + QLatin1Char('/') + QLatin1String(name);
    QDir().mkpath(path);
    return path;
}

}  // namespace

Form1Harness::Form1Harness() : fakes(QString(), QString(), QString())
{
    fakes.app.executableDir = prepared(dir_, "app");
    fakes.app.defaultStartFolder = prepared(dir_, "default");
    fakes.app.homeFolder = prepared(dir_, "home");
}

Form1Harness::~Form1Harness()
{
    // The process's current folder may lie inside the tree about to be removed.
    QDir::setCurrent(QDir::tempPath());
}

bool Form1Harness::writeSettings(const QByteArray& ini)
{
    return writeFile(appDir() + QStringLiteral("/soramie.ini"), ini);
}

Form1& Form1Harness::form()
{
    if (!form_) form_ = std::make_unique<Form1>(fakes.services());
    return *form_;
}

bool Form1Harness::load() { return form().Form_Load(); }

}  // namespace soramie::testing
