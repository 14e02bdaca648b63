#include "base/DebugLog.h"

#include "base/FileRemoval.h"

#include <QDateTime>
#include <QDir>
#include <QLocale>

#include <algorithm>
#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

namespace {
constexpr int kRuleWidth = 74;
const QString kTitle = u" Zentil Debug File "_s;
} // namespace

DebugLog::DebugLog(const TraceClock& clock, bool debugMode)
    : DebugMode(debugMode)
    , clock_(clock)
{ }

DebugLog::~DebugLog()
{
    CloseDebugFile();
}

QString DebugLog::HeaderTitleLine(const QString& date, const QString& time)
{
    qsizetype pad = kRuleWidth - date.size() - time.size() - kTitle.size();
    if (pad <= 0)
        return date + kTitle + time;
    const QString spaces(pad / 2, u' ');
    return date + spaces + kTitle + spaces + time;
}

QString DebugLog::FormatSeconds(double seconds)
{
    return QString::number(static_cast<double>(static_cast<float>(seconds)), 'g', 7);
}

void DebugLog::OpenDebugFile(const QString& tempFolder)
{
    CloseDebugFile();
    debugFilePath_ = QDir(tempFolder).filePath(u"ztdebug.txt"_s);
    RemoveFileForced(debugFilePath_);
    file_.setFileName(debugFilePath_);
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return;

    // The header uses the wall clock in English regardless of the user's locale.
    const QLocale c = QLocale::c();
    const QDateTime now = QDateTime::currentDateTime();
    const QString rule(kRuleWidth, u'=');
    const QString date = c.toString(now.date(), u"MMM d yyyy"_s);
    const QString time = c.toString(now.time(), u"hh:mm AP"_s);
    WriteDebug(u"header"_s, rule);
    WriteDebug(u"header"_s, HeaderTitleLine(date, time));
    WriteDebug(u"header"_s, rule);
}

void DebugLog::CloseDebugFile()
{
    if (file_.isOpen())
        file_.close();
}

void DebugLog::WriteDebug(const QString& kind, const QString& message)
{
    const QString k = kind.trimmed().toLower();
    const QString text = message.trimmed();
    if (k == u"enter") {
        WriteLine(u"Enter:  "_s + text, true);
        debugIndent_ += 2;
    } else if (k == u"exit") {
        debugIndent_ = std::max(0, debugIndent_ - 2);
        WriteLine(u"Exit:   "_s + text, true);
    } else if (k == u"status") {
        WriteLine(u"Status: "_s + text, true);
    } else if (k == u"error") {
        WriteLine(u"Error:  "_s + text, true);
    } else if (k == u"time") {
        debugTimeMark_ = static_cast<float>(clock_.SecondsSinceMidnight());
        WriteLine(u"TIME ("_s + FormatSeconds(debugTimeMark_) + u") "_s + text, true);
    } else if (k == u"deltatime") {
        const auto now = static_cast<float>(clock_.SecondsSinceMidnight());
        const float delta = std::fabs(now - debugTimeMark_);
        WriteLine(u"TIME-DELTA ("_s + FormatSeconds(delta) + u") "_s + text, true);
        debugTimeMark_ = now;
    } else if (k == u"header") {
        WriteLine(text, false);
    }
}

void DebugLog::WriteLine(const QString& text, bool indented)
{
    if (!file_.isOpen())
        return;
    QString line = indented ? QString(debugIndent_, u' ') + text : text;
    line += u"\r\n"_s;
    file_.write(line.toUtf8());
    file_.flush();
}

} // namespace zentil
