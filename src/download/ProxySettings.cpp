#include "download/ProxySettings.h"

#include <QFile>
#include <QSaveFile>
#include <QUrl>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

namespace {

const QString kServerKey = u"http proxy server"_s;
const QString kPortKey = u"http proxy port"_s;
const QString kEnabledKey = u"http proxy enabled"_s;
// The settings file has three short lines; nothing past this is looked at.
constexpr qint64 kMaxFileBytes = 16 * 1024;

QString EnvironmentValue(const char* lower, const char* upper)
{
    const QString value = qEnvironmentVariable(lower).trimmed();
    return value.isEmpty() ? qEnvironmentVariable(upper).trimmed() : value;
}

// "host", "host:3128", "http://user:pw@host:3128/", "[::1]:8080" → a URL with a scheme.
QUrl ProxyUrl(const QString& value)
{
    if (value.isEmpty())
        return {};
    const QUrl url(value.contains(u"://"_s) ? value : u"http://"_s + value);
    return url.isValid() && !url.host().isEmpty() ? url : QUrl();
}

// no_proxy: "*" for every host; otherwise a name matches itself and the hosts under it
// (".example.com" and "example.com" alike); an entry with a port matches that port only.
bool Bypassed(const QStringList& entries, const QUrl& address)
{
    const QString host = address.host().toLower();
    for (QString entry : entries) {
        if (entry == u"*")
            return true;
        int port = -1;
        const qsizetype colon = entry.lastIndexOf(u':');
        if (colon > 0 && !entry.endsWith(u']') && entry.indexOf(u':') == colon) {
            port = entry.mid(colon + 1).toInt();
            entry = entry.left(colon);
        }
        if (entry.startsWith(u'[') && entry.endsWith(u']'))
            entry = entry.mid(1, entry.size() - 2);
        while (entry.startsWith(u'.') || entry.startsWith(u'*'))
            entry.remove(0, 1);
        if (entry.isEmpty())
            continue;
        const bool hostMatches = host == entry || host.endsWith(u'.' + entry);
        const int addressPort = address.port(address.scheme() == u"https" ? 443 : 80);
        if (hostMatches && (port < 0 || port == addressPort))
            return true;
    }
    return false;
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
    const QStringList lines = QString::fromUtf8(file.read(kMaxFileBytes)).split(u'\n');
    for (const QString& line : lines) {
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

void GetProxyServer(ProxySettings& settings)
{
    settings.SystemHttp = ProxyUrl(EnvironmentValue("http_proxy", "HTTP_PROXY"));
    settings.SystemHttps = ProxyUrl(EnvironmentValue("https_proxy", "HTTPS_PROXY"));
    settings.NoProxy.clear();
    for (const QString& entry : EnvironmentValue("no_proxy", "NO_PROXY").split(u','))
        if (!entry.trimmed().isEmpty())
            settings.NoProxy << entry.trimmed().toLower();
}

QNetworkProxy ProxyFor(const ProxySettings& settings, const QUrl& address)
{
    const bool secure = address.scheme().toLower() == u"https";
    const QUrl& system = secure ? settings.SystemHttps : settings.SystemHttp;
    if (system.isValid() && !system.host().isEmpty()) {
        if (Bypassed(settings.NoProxy, address))
            return QNetworkProxy(QNetworkProxy::NoProxy);
        const int port = system.port(system.scheme().toLower() == u"https" ? 443 : 80);
        return QNetworkProxy(QNetworkProxy::HttpProxy, system.host(), static_cast<quint16>(port),
            system.userName(), system.password());
    }
    if (settings.HTTPProxyEnabled && !settings.HTTPProxyServer.trimmed().isEmpty())
        return QNetworkProxy(QNetworkProxy::HttpProxy, settings.HTTPProxyServer.trimmed(),
            static_cast<quint16>(std::clamp(settings.HTTPProxyPort, 0, 65535)));
    return QNetworkProxy(QNetworkProxy::NoProxy);
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
