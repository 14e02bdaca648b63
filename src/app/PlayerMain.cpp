#include "app/PlayerMain.h"

#include "app/ZentilApp.h"

#include <QApplication>
#include <QTextStream>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

namespace {

const char* const kHelp = "Usage: zentil [SCRIPT.zentil]\n"
                          "Plays a narrated Zentil presentation full screen.\n"
                          "Anything after the first \".zentil\" on the command line is ignored.\n\n"
                          "Options:\n"
                          "  --help     show this help\n"
                          "  --version  show the version\n";

// Answers --help/--version before any window exists; returns -1 when the player should run.
int HandleInformationalOptions(int argc, char** argv)
{
    if (argc != 2)
        return -1;
    const QString arg = QString::fromLocal8Bit(argv[1]);
    QTextStream out(stdout);
    if (arg == u"--version") {
        out << u"zentil "_s << QStringLiteral(ZENTIL_VERSION_TEXT) << u"\n"_s;
        return 0;
    }
    if (arg == u"--help" || arg == u"-h") {
        out << QString::fromLatin1(kHelp);
        return 0;
    }
    return -1;
}

} // namespace

int RunPlayer(int argc, char** argv)
{
    if (const int code = HandleInformationalOptions(argc, argv); code >= 0)
        return code;
    QApplication app(argc, argv);
    QApplication::setApplicationName(u"zentil"_s);
    QApplication::setApplicationVersion(QStringLiteral(ZENTIL_VERSION_TEXT));
    QApplication::setQuitOnLastWindowClosed(false);

    // The command line is the script path as one text; anything after ".zentil" is cut later.
    QStringList words = QApplication::arguments().mid(1);
    ZentilApp player;
    if (!player.Start(words.join(u' ')))
        return player.ExitCode();
    if (player.Finished())
        return player.ExitCode();
    const int code = QApplication::exec();
    return player.Finished() ? player.ExitCode() : code;
}

} // namespace zentil
