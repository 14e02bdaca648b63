#include "script/SlideStructureDump.h"

#include "base/DebugLog.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

namespace {

constexpr qsizetype kWrapColumn = 90;

QString Num(int64_t value)
{
    return QString::number(value);
}

QString Single(double value)
{
    return DebugLog::FormatSeconds(value);
}

// Pads line with blanks up to column, or adds one blank when it already reaches it.
void PadTo(QString& line, qsizetype column)
{
    if (line.size() < column)
        line += QString(column - line.size(), u' ');
    else
        line += u' ';
}

void AppendResourceSets(const SlideShowModel& model, QStringList& out)
{
    for (int32_t i = 1; i <= model.ResourceCount(); ++i) {
        const ResourceSet& set = model.ResourceSetAt(i);
        out << QString() << u"ResourceArray("_s + Num(i) + u")"_s
            << u"  .ResourceCount = "_s + Num(set.ResourceCount());
        for (int32_t j = 1; j <= set.ResourceCount(); ++j) {
            const ResourceFile& file = set.Files[static_cast<size_t>(j - 1)];
            out << u"  .ResourceName("_s + Num(j) + u") = "_s + file.ResourceName
                << u"  .ResourceSize("_s + Num(j) + u") = "_s + Num(file.ResourceSize);
        }
    }
    if (!model.Map.IsEmpty()) {
        out << QString() << u"ResourceMap"_s;
        for (int32_t i = 1; i <= model.Map.Count(); ++i)
            out << u"    ("_s + Num(i) + u").ResourceName = "_s + model.Map.At(i).ResourceName;
    }
}

void AppendScriptText(const std::vector<QString>& text, const QString& indent, QStringList& out)
{
    for (size_t j = 0; j < text.size(); ++j)
        out << indent + u".ScriptText("_s + Num(static_cast<int64_t>(j + 1)) + u") = "_s + text[j];
}

void AppendSlide(const SlideShowModel& model, int32_t i, QStringList& out)
{
    const Slide& slide = model.SlideAt(i);
    out << QString() << u"Slide("_s + Num(i) + u")"_s
        << u"  .BackgroundIndex = "_s + Num(slide.BackgroundIndex)
        << u"  .WaveFileName = "_s + slide.WaveFileName
        << u"  .WaveFileLength = "_s + Num(slide.WaveFileLength);
    if (slide.ResourceCount() > 0)
        out << QString();
    out << u"  .ResourceCount = "_s + Num(slide.ResourceCount());
    for (int32_t j = 1; j <= slide.ResourceCount(); ++j)
        out << u"  .ResourceName("_s + Num(j) + u") = "_s
                + slide.ResourceName[static_cast<size_t>(j - 1)];
    if (slide.ScriptCount() > 0)
        out << QString();
    out << u"  .ScriptCount = "_s + Num(slide.ScriptCount());
    AppendScriptText(slide.ScriptText, u"  "_s, out);
    if (slide.SubslideCount() > 0)
        out << QString();
    out << u"  .SubslideCount = "_s + Num(slide.SubslideCount());
    for (int32_t k = 1; k <= slide.SubslideCount(); ++k) {
        const Subslide& sub = slide.SubSlide[static_cast<size_t>(k - 1)];
        out << QString() << u"  .SubSlide("_s + Num(k) + u")"_s;
        if (sub.ScriptCount() == 0)
            continue;
        out << u"    .StartTime = "_s + Num(sub.StartTime)
            << u"    .BackgroundIndex = "_s + Num(sub.BackgroundIndex)
            << u"    .SubslideType = "_s + sub.SubslideType
            << u"    .ScriptCount = "_s + Num(sub.ScriptCount());
        AppendScriptText(sub.ScriptText, u"    "_s, out);
    }
}

void AppendPlanningTable(const SlideShowModel& model, QStringList& out)
{
    const QString h1 = u"SlideDownLoadSize()"_s;
    const QString h2 = u"SlideOggFileSize()"_s;
    const QString h3 = u"SlideOggFileTime()"_s;
    const qsizetype c1 = 5 + 5;
    const qsizetype c2 = c1 + h1.size() + 8;
    const qsizetype c3 = c2 + h2.size() + 8;
    out << QString()
        << u"Slide"_s + QString(5, u' ') + h1 + QString(8, u' ') + h2 + QString(8, u' ') + h3;
    for (int32_t i = 1; i <= model.SlideCount(); ++i) {
        const auto at = static_cast<size_t>(i - 1);
        auto value = [at](const auto& table) { return at < table.size() ? table[at] : 0; };
        QString line = QString(u"("_s + Num(i) + u")"_s).rightJustified(5, u' ');
        PadTo(line, c1);
        line += Num(value(model.SlideDownLoadSize));
        PadTo(line, c2);
        line += Num(value(model.SlideOggFileSize));
        PadTo(line, c3);
        line += Single(at < model.SlideOggFileTime.size() ? model.SlideOggFileTime[at] : 0.0F);
        out << line;
    }
}

} // namespace

QStringList WrapDownloadList(const QString& list)
{
    static const QString prefix = u"DownloadList = "_s;
    const QString indent(prefix.size(), u' ');
    QStringList lines;
    // The rest of the list is a view, so each line costs its own length only.
    QStringView rest = list;
    QString lead = prefix;
    const qsizetype room = kWrapColumn - prefix.size();
    while (rest.size() > room) {
        // Cut after the last blank or "|" that still fits on the line.
        qsizetype cut = -1;
        for (qsizetype i = room - 1; i >= 0; --i) {
            if (rest.at(i) == u' ' || rest.at(i) == u'|') {
                cut = i + 1;
                break;
            }
        }
        if (cut <= 0)
            cut = room;
        QString line = lead + rest.left(cut);
        while (line.endsWith(u' '))
            line.chop(1);
        lines << line;
        rest = rest.mid(cut);
        qsizetype skip = 0;
        while (skip < rest.size() && rest.at(skip) == u' ')
            ++skip;
        rest = rest.mid(skip);
        lead = indent;
    }
    if (!rest.isEmpty() || lines.isEmpty())
        lines << lead + rest;
    return lines;
}

QStringList FormatSlideStructure(const SlideShowModel& model)
{
    const SlideShowDefn& d = model.Defn;
    QStringList out;
    out << u"With SlideShowDefn"_s << u"  .ShowTitle = "_s + d.ShowTitle
        << u"  .ScriptShortName = "_s + d.ScriptShortName
        << u"  .ScriptParentFolder = "_s + d.ScriptParentFolder
        << u"  .ResourceServer = "_s + d.ResourceServer
        << u"  .ResourceCount = "_s + Num(model.ResourceCount())
        << u"  .PreLoad = "_s + Num(d.PreloadSet) << u"  .DownLoad = "_s + Num(d.DownloadSet)
        << u"  .SlideCount = "_s + Num(model.SlideCount())
        << u"  .BackCount = "_s + Num(model.BackCount());
    AppendResourceSets(model, out);
    for (int32_t i = 1; i <= model.BackCount(); ++i) {
        const BackgroundSlide& background = model.BackgroundAt(i);
        out << QString() << u"BackgroundSlide("_s + Num(i) + u")"_s
            << u"  .ScriptCount = "_s + Num(background.ScriptCount());
        AppendScriptText(background.ScriptText, u"  "_s, out);
    }
    for (int32_t i = 1; i <= model.SlideCount(); ++i)
        AppendSlide(model, i, out);
    const QString queue = model.Queue.Text();
    if (queue.isEmpty())
        out << QString() << u"DownloadList = NULL"_s;
    else
        out << QString() << QString() << WrapDownloadList(queue);
    out << QString()
        << u"DownloadRate = "_s + Single(static_cast<double>(model.DownloadRate) * 8.0 * 0.828);
    AppendPlanningTable(model, out);
    return out;
}

QString WriteSlideStructure(const SlideShowModel& model, const QString& tempFolder)
{
    if (tempFolder.isEmpty())
        return QString();
    const QString path = QDir(tempFolder).filePath(u"slidestructure.txt"_s);
    QFile::remove(path);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    const QStringList lines = FormatSlideStructure(model);
    for (const QString& line : lines)
        file.write((line + u"\r\n"_s).toUtf8());
    return file.commit() ? path : QString();
}

} // namespace zentil
