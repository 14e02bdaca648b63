#include "app/ToolMain.h"

#include "base/ProductInfo.h"
#include "render/RenderToolCommand.h"
#include "script/ScriptToolCommands.h"
#include "tool/ExportCommand.h"
#include "tool/HandoutCommand.h"
#include "tool/NewShowCommand.h"
#include "tool/PreviewWindow.h"
#include "tool/ScriptCheck.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

#include <functional>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

namespace {

struct ToolCommand {
    QString name;
    QString synopsis;
    std::function<int(const QStringList&)> run;
};

QString Usage(const std::vector<ToolCommand>& commands)
{
    QString text = u"Usage: zentil-tool COMMAND [ARGUMENTS]\n\nCommands:\n"_s;
    for (const auto& c : commands)
        text += u"  "_s + c.synopsis + u"\n"_s;
    text += u"\nOptions:\n"
            u"  -h, --help  show this help and the folders in use\n"
            u"  --version   show the version\n"
            u"\nFolders in use:\n"
            u"  zentil-tool keeps no files of its own and does not use the player's folders:\n"
            u"  working copies and fonts go to a fresh folder in the system temporary folder\n"
            u"  (TMPDIR, now "_s
        + QDir::tempPath() + u"), removed when the command ends.\n"_s;
    return text;
}

// Runs a command that writes to standard output and standard error.
std::function<int(const QStringList&)> WithStreams(
    int (*command)(const QStringList&, QTextStream&, QTextStream&))
{
    return [command](const QStringList& args) {
        QTextStream out(stdout);
        QTextStream err(stderr);
        return command(args, out, err);
    };
}

std::vector<ToolCommand> Commands()
{
    return {
        { u"dump"_s, u"dump SCRIPT                      print the presentation's structure dump"_s,
            WithStreams(RunDumpCommand) },
        { u"check"_s, QString::fromLatin1(CheckCommandSynopsis),
            WithStreams(RunScriptCheckCommand) },
        { u"export"_s, QString::fromLatin1(ExportCommandSynopsis), WithStreams(RunExportCommand) },
        { u"handout"_s, QString::fromLatin1(HandoutCommandSynopsis),
            WithStreams(RunHandoutCommand) },
        { u"new"_s, QString::fromLatin1(NewCommandSynopsis), WithStreams(RunNewShowCommand) },
        { u"scramble"_s, u"scramble IN OUT [--key-start K]  write a scrambled copy"_s,
            WithStreams(RunScrambleCommand) },
        { u"unscramble"_s,
            u"unscramble IN OUT                write the plain copy of a scrambled file"_s,
            WithStreams(RunUnscrambleCommand) },
        { u"preview"_s, QString::fromLatin1(PreviewCommandSynopsis), RunPreviewCommand },
        { u"render"_s, QString::fromLatin1(RenderCommandSynopsis), RunRenderCommand },
        { u"scale"_s, QString::fromLatin1(ScaleCommandSynopsis), WithStreams(RunScaleCommand) },
    };
}

} // namespace

int RunZentilTool(int argc, char** argv)
{
    // Drawing needs a GUI application; the offscreen platform keeps the tool usable without a
    // display. Only the preview opens a window.
    const bool opensWindow = argc > 1 && qstrcmp(argv[1], "preview") == 0;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !opensWindow)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"zentil-tool"_s);
    QCoreApplication::setApplicationVersion(QStringLiteral(ZENTIL_VERSION_TEXT));

    QTextStream out(stdout);
    QTextStream err(stderr);
    const auto commands = Commands();
    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty()) {
        err << Usage(commands);
        return 2;
    }
    const QString first = args.takeFirst();
    if (first == u"--help" || first == u"-h") {
        out << Usage(commands);
        return 0;
    }
    if (first == u"--version") {
        out << u"zentil-tool "_s << QCoreApplication::applicationVersion() << u"\n"_s
            << ProductWebAddress << u"\n"_s;
        return 0;
    }
    for (const auto& c : commands) {
        if (c.name == first)
            return c.run(args);
    }
    err << u"zentil-tool: unknown command '"_s << first << u"'\n\n"_s << Usage(commands);
    return 2;
}

} // namespace zentil
