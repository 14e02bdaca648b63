#pragma once

#include "base/DebugLog.h"
#include "storage/FolderLayout.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// A fresh player home for one test: its own temporary folder, named by ZENTIL_HOME, with the
// folder tree built and a debug trace open in its temp folder.
struct StorageTestHome {
    // Storage writes no timed trace lines: a clock standing still will do.
    struct StillClock : zentil::TraceClock {
        double SecondsSinceMidnight() const override { return 0.0; }
    };
    QTemporaryDir Dir;
    StillClock Clock;
    zentil::DebugLog Log { Clock, true };
    zentil::ZentilFolders Folders;

    StorageTestHome()
    {
        qputenv("ZENTIL_HOME", QFile::encodeName(Dir.filePath(QStringLiteral("home"))));
        Folders = zentil::BuildZentilFolders(zentil::FindZentilFolders(), Log);
        Log.Switches.TraceFaults = true;
        Log.OpenDebugFile(Folders.ZTTempPath);
    }

    QString Cache(const QString& name) const
    {
        return QDir(Folders.ZentilCachePath).filePath(name);
    }

    QString Trace()
    {
        QFile file(Log.DebugFilePath());
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
};

// Writes a small file (making its folder) and, when given, sets its modification time.
inline void WriteFile(
    const QString& path, const QByteArray& content, const QDateTime& modified = {})
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(path));
    file.write(content);
    file.flush(); // a later flush would set the time to now
    if (modified.isValid())
        QVERIFY(file.setFileTime(modified, QFileDevice::FileModificationTime));
}

inline QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
