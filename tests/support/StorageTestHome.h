#pragma once

#include "base/DebugLog.h"
#include "storage/FolderLayout.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace zentil::test {

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

    QString Trace() const { return QString::fromUtf8(ReadAll(Log.DebugFilePath())); }
};

} // namespace zentil::test
