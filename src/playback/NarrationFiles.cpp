#include "playback/NarrationFiles.h"

#include "app/DebugLog.h"
#include "playback/WavePlayer.h"
#include "script/PresentationModel.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

namespace {

constexpr qint64 kOpenRetryMs = 60000;

QString OpenErrorLine(const WavePlayer& player)
{
    return u"WaveControl(%1) Open Error [%2] %3"_s.arg(player.Index())
        .arg(player.Error())
        .arg(player.ErrorMessage());
}

bool RetryableOpenError(int error)
{
    return error == static_cast<int>(WaveError::FileNotFound)
        || error == static_cast<int>(WaveError::InvalidFile);
}

// The playable file of a map entry: its working copy when that still exists, else a new one.
QString PlayableFile(const NarrationContext& context, ResourceMapEntry& entry)
{
    if (!entry.LocalFileName.isEmpty() && QFileInfo::exists(entry.LocalFileName))
        return entry.LocalFileName;
    entry.LocalFileName = context.DecompressFile(entry.ResourceName);
    return entry.LocalFileName;
}

} // namespace

bool LoadWavePlayer(
    const NarrationContext& context, WavePlayer& player, const QString& waveFileName)
{
    ZT_DEBUG(
        context.Log, TraceSound, "enter", u"LoadWavePlayer - WaveFileName = "_s + waveFileName);
    const auto finish = [&](bool loaded) {
        player.ClearError();
        ZT_DEBUG(context.Log, TraceSound, "status",
            u"WavePlayerLoaded = "_s + (loaded ? u"True"_s : u"False"_s));
        ZT_DEBUG(context.Log, TraceSound, "exit", u"LoadWavePlayer"_s);
        return loaded;
    };
    if (context.ExitInProgress() || waveFileName.isEmpty() || context.Map.IsEmpty())
        return finish(false);
    const int32_t index = context.Map.GetMapIndex(waveFileName);
    if (index == 0)
        return finish(false);
    const QString path = PlayableFile(context, context.Map.At(index));
    if (path.isEmpty())
        return finish(false);

    player.Command(u"Close"_s);
    player.SetFileName(path);
    ZT_DEBUG(context.Log, TraceSound, "status",
        u"Setting WaveControl(%1).FileName = "_s.arg(player.Index()) + path);
    if (context.ExitInProgress())
        return finish(false);
    player.Command(u"Open"_s);
    if (player.Error() == 0)
        return finish(true);

    ZT_DEBUG(context.Log, TraceSound, "status", OpenErrorLine(player));
    QElapsedTimer waited;
    waited.start();
    while (RetryableOpenError(player.Error()) && waited.elapsed() < kOpenRetryMs) {
        context.LetEventsRun();
        player.ClearError();
        if (context.ExitInProgress())
            break;
        player.Command(u"Open"_s);
    }
    if (player.Error() == 0)
        return finish(true);
    ZT_DEBUG(context.Log, TraceSound, "error", OpenErrorLine(player));
    return finish(false);
}

void TrimWavefiles(const TrimContext& context)
{
    bool keepCurrent = !context.CurrentWaveFileName.isEmpty();
    bool keepNext = !context.NextWaveFileName.isEmpty();
    const QString current = context.CurrentWaveFileName.toLower();
    const QString next = context.NextWaveFileName.toLower();
    for (int32_t i = 1; i <= context.Map.Count(); ++i) {
        ResourceMapEntry& entry = context.Map.At(i);
        if (entry.LocalFileName.isEmpty())
            continue;
        const QString name = entry.ResourceName.toLower();
        if (!name.endsWith(u".wav"_s) && !name.endsWith(u".ogg"_s))
            continue;
        if (keepCurrent && name == current) {
            keepCurrent = false;
        } else if (keepNext && name == next) {
            keepNext = false;
        } else {
            ZT_DEBUG(context.Log, TraceSound, "status", u"Deleting File "_s + entry.LocalFileName);
            QFile::setPermissions(entry.LocalFileName, QFile::ReadOwner | QFile::WriteOwner);
            QFile::remove(entry.LocalFileName);
            entry.LocalFileName.clear();
        }
        context.LetEventsRun();
    }
}

} // namespace zentil
