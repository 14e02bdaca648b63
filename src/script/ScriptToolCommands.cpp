#include "script/ScriptToolCommands.h"

#include "base/DebugLog.h"
#include "base/ErrorReporting.h"
#include "platform/MonotonicClock.h"
#include "script/ScrambledFiles.h"
#include "script/ScriptLoader.h"
#include "script/ScriptReader.h"
#include "script/SlideStructureDump.h"
#include "storage/ZentilFolders.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

namespace {

// Prints fatal errors to standard error and, when asked, every script problem to out.
class ToolErrorReporter : public ErrorReporter {
public:
    ToolErrorReporter(QTextStream& out, QTextStream& err, bool printProblems)
        : out_(out)
        , err_(err)
        , printProblems_(printProblems)
    { }

    void ExecuteFatalError(const FatalError& error) override
    {
        err_ << u"zentil-tool: "_s << error.Title << u": "_s << error.Text << u"\n"_s;
        err_.flush();
        failed_ = true;
    }

    void ScriptProblem(int32_t statementNumber, const QString& text) override
    {
        Print(statementNumber, text);
    }

    void Print(int32_t statementNumber, const QString& text)
    {
        if (!printProblems_)
            return;
        if (statementNumber > 0)
            out_ << u"statement "_s << statementNumber << u": "_s;
        out_ << text << u"\n"_s;
        out_.flush();
    }

    void Fail(const QString& text)
    {
        err_ << u"zentil-tool: "_s << text << u"\n"_s;
        err_.flush();
        failed_ = true;
    }

    bool Failed() const { return failed_; }

private:
    QTextStream& out_;
    QTextStream& err_;
    bool printProblems_;
    bool failed_ = false;
};

// Reads and loads a script the way the player does, with the script's folder as the
// presentation folder and a fresh temporary folder. Returns false when the show cannot play.
bool LoadForTool(const QString& scriptPath, SlideShowModel& model, ToolErrorReporter& reporter)
{
    const QFileInfo info(scriptPath);
    if (!info.exists()) {
        reporter.Fail(u"no such script: "_s + scriptPath);
        return false;
    }
    QTemporaryDir temp;
    if (!temp.isValid()) {
        reporter.Fail(u"cannot make a temporary folder"_s);
        return false;
    }
    MonotonicClock clock;
    DebugLog log(clock, false);
    ScriptStatements script;
    const ScriptReadResult read
        = LoadScriptFromFile(info.absoluteFilePath(), temp.path(), script, log);
    for (const ScriptMessage& message : read.Messages)
        reporter.Print(message.StatementNumber, message.Text);
    if (!read.Refusal.isEmpty()) {
        reporter.Fail(read.Refusal);
        return false;
    }
    const QString shortName = read.ScriptName.isEmpty() ? info.fileName() : read.ScriptName;
    const VersionCheck version = CheckScriptVersion(shortName, read.ScriptVersion);
    if (!version.Passes) {
        reporter.Fail(version.Title + u": "_s + QString(version.Text).replace(u'\r', u' '));
        return false;
    }
    if (script.MaxScriptIndex() < 1) {
        reporter.Fail(u"the script holds no statements: "_s + scriptPath);
        return false;
    }
    ZentilFolders folders;
    const QDir parent = info.absoluteDir();
    folders.ZTTempPath = temp.path();
    folders.ResourcePath = parent.filePath(u"resources"_s);
    folders.ThumbnailPath = parent.filePath(u"thumbnails"_s);
    model.Defn.ScriptShortName = shortName;
    model.Defn.ScriptParentFolder = parent.absolutePath();
    LoadContext context { folders, reporter, log, false, {} };
    return LoadSlideShow(script, model, context) == LoadOutcome::Loaded;
}

int Usage(QTextStream& err, const QString& synopsis)
{
    err << u"Usage: zentil-tool "_s << synopsis << u"\n"_s;
    return 2;
}

} // namespace

int RunDumpCommand(const QStringList& args, QTextStream& out, QTextStream& err)
{
    if (args.size() != 1)
        return Usage(err, u"dump SCRIPT"_s);
    ToolErrorReporter reporter(out, err, false);
    SlideShowModel model;
    if (!LoadForTool(args.front(), model, reporter))
        return 1;
    for (const QString& line : FormatSlideStructure(model))
        out << line << u"\n"_s;
    out.flush();
    return 0;
}

int RunScrambleCommand(const QStringList& args, QTextStream& out, QTextStream& err)
{
    (void)out;
    int keyStart = 1;
    QStringList files;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == u"--key-start" && i + 1 < args.size()) {
            bool ok = false;
            keyStart = args[++i].toInt(&ok);
            if (!ok)
                return Usage(err, u"scramble IN OUT [--key-start K]"_s);
        } else {
            files << args[i];
        }
    }
    if (files.size() != 2)
        return Usage(err, u"scramble IN OUT [--key-start K]"_s);
    QString error;
    if (!ScrambleFile(files[0], files[1], keyStart, &error)) {
        err << u"zentil-tool: "_s << error << u"\n"_s;
        return 1;
    }
    return 0;
}

int RunUnscrambleCommand(const QStringList& args, QTextStream& out, QTextStream& err)
{
    (void)out;
    if (args.size() != 2)
        return Usage(err, u"unscramble IN OUT"_s);
    QString error;
    if (!UnscrambleFile(args[0], args[1], &error)) {
        err << u"zentil-tool: "_s << error << u"\n"_s;
        return 1;
    }
    return 0;
}

} // namespace zentil
