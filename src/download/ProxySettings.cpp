#include "download/ProxySettings.h"

#include <QFile>
#include <QSaveFile>
#include <QTextStream>
#include <QUrl>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

namespace {

const QString kServerKey = u"http proxy server"_s;
const QString kPortKey = u"http proxy port"_s;
const QString kEnabledKey = u"http proxy enabled"_s;
// Proxy tools default to this port when a proxy URL names none.
constexpr int kDefaultProxyPort = 1080;

// One protocol's entry of a system server text: "host:port" after "name=" up to the next ";",
// or the whole text when it has no such entries.
void TakeEntry(
    const QString& text, const QString& prefix, QString& server, int32_t& port, bool& enabled)
{
    QString s = text;
    const qsizetype at = text.toLower().indexOf(prefix);
    if (at >= 0) {
        s = text.mid(at + prefix.size());
        const qsizetype end = s.indexOf(u';');
        if (end >= 0)
            s = s.left(end);
    }
    const qsizetype colon = s.indexOf(u':');
    if (colon >= 0) {
        port = ProxyPortValue(s.mid(colon + 1));
        s = s.left(colon);
    }
    server = s;
    enabled = !s.isEmpty();
}

// "http://user:pw@host:3128/" → "host:3128"; a plain "host:port" stays as it is.
QString HostAndPort(const QString& value)
{
    const QString text = value.trimmed();
    if (!text.contains(u"://"_s))
        return text;
    const QUrl url(text);
    if (url.host().isEmpty())
        return {};
    return url.host() + u":"_s + QString::number(url.port(kDefaultProxyPort));
}

QString EnvironmentValue(const char* lower, const char* upper)
{
    QString value = qEnvironmentVariable(lower);
    if (value.trimmed().isEmpty())
        value = qEnvironmentVariable(upper);
    return HostAndPort(value);
}

} // namespace

int32_t ProxyPortValue(const QString& text)
{
    const QString t = text.trimmed();
    qint64 value = 0;
    for (const QChar c : t) {
        if (!c.isDigit() || c.unicode() > u'9')
            break;
        value = std::min<qint64>(value * 10 + (c.unicode() - u'0'), 2147483647);
    }
    return static_cast<int32_t>(value);
}

ProxyFileValues ReadProxyFile(const QString& fileName)
{
    ProxyFileValues values;
    QFile file(fileName);
    if (fileName.isEmpty() || !file.open(QIODevice::ReadOnly | QIODevice::Text))
        return values;
    values.Found = true;
    QTextStream in(&file);
    while (!in.atEnd()) {
        const QString line = in.readLine();
        const qsizetype equals = line.indexOf(u'=');
        if (equals <= 0)
            continue;
        const QString key = line.left(equals).trimmed().toLower();
        const QString value = line.mid(equals + 1).trimmed();
        if (key == kServerKey)
            values.Server = value;
        else if (key == kPortKey)
            values.Port = ProxyPortValue(value);
        else if (key == kEnabledKey)
            values.Enabled = value.toLower() == u"true";
    }
    return values;
}

void ReadProxyServer(ProxySettings& settings, const QString& fileName)
{
    const ProxyFileValues values = ReadProxyFile(fileName);
    if (!values.Enabled)
        return;
    settings.HTTPProxyEnabled = true;
    settings.HTTPProxyServer = values.Server;
    settings.HTTPProxyPort = values.Port;
}

void ApplySystemProxyText(ProxySettings& settings, const QString& serverText)
{
    if (serverText.isEmpty())
        return;
    QString server;
    int32_t port = settings.HTTPProxyPort;
    bool enabled = false;
    TakeEntry(serverText, u"http="_s, server, port, enabled);
    settings.HTTPProxyServer = server;
    settings.HTTPProxyPort = port;
    if (enabled)
        settings.HTTPProxyEnabled = true;
    port = settings.FTPProxyPort;
    TakeEntry(serverText, u"ftp="_s, server, port, enabled);
    settings.FTPProxyServer = server;
    settings.FTPProxyPort = port;
    settings.FTPProxyEnabled = enabled;
}

void GetProxyServer(ProxySettings& settings)
{
    const QString http = EnvironmentValue("http_proxy", "HTTP_PROXY");
    const QString ftp = EnvironmentValue("ftp_proxy", "FTP_PROXY");
    QString text = http;
    if (!ftp.isEmpty() && ftp != http)
        text = (http.isEmpty() ? QString() : u"http="_s + http + u";"_s) + u"ftp="_s + ftp;
    ApplySystemProxyText(settings, text);
}

bool WriteProxyServer(const ProxySettings& settings, const QString& fileName)
{
    QSaveFile file(fileName);
    if (fileName.isEmpty() || !file.open(QIODevice::WriteOnly))
        return false;
    const auto line = [](const QString& key, const QString& value) {
        return (key.rightJustified(25) + u" = "_s + value + u"\r\n"_s).toUtf8();
    };
    file.write(line(kServerKey, settings.HTTPProxyServer));
    file.write(line(kPortKey, QString::number(settings.HTTPProxyPort)));
    file.write(line(kEnabledKey, settings.HTTPProxyEnabled ? u"true"_s : u"false"_s));
    return file.commit();
}

} // namespace zentil
