#include "storage/QuitPoints.h"

#include "base/DebugLog.h"
#include "storage/FileTree.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <algorithm>
#include <climits>
#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

namespace {

const QString kLastFolderFile = u"lastopenfolder.txt"_s;

// The file-name part of a path without its extension; empty when the name has no "." after its
// first character.
QString NameWithoutExtension(const QString& path)
{
    const QString name = path.mid(path.lastIndexOf(u'/') + 1);
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot >= 1 ? name.left(dot) : QString();
}

// Writes one CR LF terminated line, replacing the file only once the line is safely on disk.
bool WriteOneLine(const QString& path, const QString& line)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write((line + u"\r\n"_s).toUtf8());
    return file.commit();
}

std::optional<QString> ReadFirstLine(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return QString::fromUtf8(file.readLine()).trimmed();
}

// The number at the start of text: the longest prefix made of an optional sign, digits and one
// "." (0 when there is none), rounded half to even.
qint64 LeadingWholeNumber(QStringView text)
{
    qsizetype end = 0;
    if (end < text.size() && (text[end] == u'+' || text[end] == u'-'))
        ++end;
    bool digits = false;
    bool point = false;
    for (; end < text.size(); ++end) {
        if (text[end].isDigit() && text[end].unicode() < 128)
            digits = true;
        else if (text[end] == u'.' && !point)
            point = true;
        else
            break;
    }
    if (!digits)
        return 0;
    const double value = text.left(end).toString().toDouble();
    constexpr double limit = 9.0e18;
    return static_cast<qint64>(std::nearbyint(std::clamp(value, -limit, limit)));
}

QString LastFolderFilePath(const ZentilFolders& folders)
{
    return QDir(folders.ZentilCachePath).filePath(kLastFolderFile);
}

} // namespace

QString QuitPointFileName(const ZentilFolders& folders, const QString& scriptName)
{
    const QString name = NameWithoutExtension(scriptName.trimmed());
    if (name.isEmpty() || folders.QuitPointPath.isEmpty())
        return {};
    return QDir(folders.QuitPointPath).filePath(name + u".txt"_s);
}

void SaveQuitPoint(const ZentilFolders& folders, const QString& scriptName, int slideIndex,
    qint64 position, bool builtInSlideShown, DebugLog& log)
{
    ZT_TRACE_SCOPE_ARGS(log, u"SaveQuitPoint"_s, u"scriptName = "_s + scriptName);
    const QString file = QuitPointFileName(folders, scriptName);
    if (!file.isEmpty()) {
        RemoveFileForced(file);
        if (!builtInSlideShown && slideIndex > 1)
            WriteOneLine(file, QString::number(slideIndex) + u' ' + QString::number(position));
    }
}

std::optional<QuitPoint> ReadQuitPoint(const ZentilFolders& folders, const QString& scriptName)
{
    const QString file = QuitPointFileName(folders, scriptName);
    if (file.isEmpty())
        return std::nullopt;
    const std::optional<QString> line = ReadFirstLine(file);
    if (!line)
        return std::nullopt;
    const qsizetype blank = line->indexOf(u' ');
    QuitPoint point;
    point.SlideIndex = static_cast<int>(std::clamp(
        LeadingWholeNumber(QStringView(*line).left(blank)), qint64(INT_MIN), qint64(INT_MAX)));
    if (blank >= 0)
        point.Position = LeadingWholeNumber(QStringView(*line).mid(blank + 1).trimmed());
    return point;
}

QString GetLastSaveFolder(const ZentilFolders& folders)
{
    const QString path = LastFolderFilePath(folders);
    const QString folder = ReadFirstLine(path).value_or(QString());
    if (!folder.isEmpty())
        return folder;
    // Written plainly: the value is the default, so a lost or half-written file only means the
    // same default next time, and start-up does not wait for the disc.
    const QString fallback = QDir::homePath();
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write((fallback + u"\r\n"_s).toUtf8());
    return fallback;
}

void SetLastSaveFolder(ZentilFolders& folders)
{
    if (folders.ZentilSavePath.isEmpty())
        folders.ZentilSavePath = QDir::homePath();
    WriteOneLine(LastFolderFilePath(folders), folders.ZentilSavePath);
}

} // namespace zentil
