#include "app/PlayerMain.h"

#include "app/ZentilApp.h"
#include "storage/FolderRule.h"

#include <QApplication>
#include <QCoreApplication>
#include <QTextStream>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

namespace {

const char* const kUsage
    = "Usage: zentil [--screen N] [SCRIPT.zentil]\n"
      "       zentil [--screen N] http://HOST/PATH/SCRIPT.zentil   (or https://)\n"
      "Plays a narrated Zentil presentation full screen; without a script it starts empty.\n"
      "A web address is fetched first; the presentation's files then come from its server,\n"
      "or from the \"resources/\" folder beside the address when the script names none.\n"
      "Anything after the first \".zentil\" on the command line is ignored.\n"
      "\n"
      "Options:\n"
      "  -h, --help       show this help and the folders in use\n"
      "  --version        show the version\n"
      "  --screen N       play on screen N (0 = the first); default: the pointer's screen\n"
      "\n"
      "Environment:\n"
      "  ZENTIL_HOME      keep all of the player's files in this one folder\n"
      "  XDG_CACHE_HOME   presentation cache, temporary files, fonts (default ~/.cache)\n"
      "  XDG_CONFIG_HOME  proxy settings (default ~/.config)\n"
      "  XDG_STATE_HOME   quit points (default ~/.local/state)\n"
      "Each XDG place gets a folder \"zentil\". A file named \"portable\" beside the program\n"
      "keeps all files in the program's folder, unless ZENTIL_HOME is set.\n"
      "\n";

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
        // The folder rule looks beside the program, which needs the application object.
        const QCoreApplication app(argc, argv);
        out << QString::fromLatin1(kUsage) << DescribeZentilFolders(FindZentilFolders());
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
    PlayerOptions options;
    if (const qsizetype at = words.indexOf(u"--screen"_s); at >= 0) {
        bool number = false;
        options.ScreenNumber = words.value(at + 1).toInt(&number);
        if (!number || options.ScreenNumber < 0) {
            QTextStream(stderr) << u"zentil: --screen needs a screen number (0 = the first)\n"_s;
            return 2;
        }
        words.remove(at, 2);
    }
    ZentilApp player(options);
    if (!player.Start(words.join(u' ')))
        return player.ExitCode();
    if (player.Finished())
        return player.ExitCode();
    const int code = QApplication::exec();
    return player.Finished() ? player.ExitCode() : code;
}

} // namespace zentil
