#pragma once

#include <QString>

namespace zentil {

// The proxy in use for transfers. Recomputed for every presentation: the player's own settings
// file first, then the system setting, which wins when it is switched on.
struct ProxySettings {
    bool HTTPProxyEnabled = false;
    QString HTTPProxyServer;
    int32_t HTTPProxyPort = 0;
    bool FTPProxyEnabled = false; // from the system setting only; nothing uses it yet
    QString FTPProxyServer;
    int32_t FTPProxyPort = 0;
};

// What the settings file holds, as the dialog shows it.
struct ProxyFileValues {
    bool Found = false; // the file exists
    QString Server;
    int32_t Port = 0;
    bool Enabled = false; // "http proxy enabled" was "true" in any letter case
};

// Reads "proxyserver.txt": "key = value" lines, keys compared trimmed and lower-cased.
ProxyFileValues ReadProxyFile(const QString& fileName);
// ReadProxyServer: takes the file's HTTP proxy when it says it is enabled; else no change.
void ReadProxyServer(ProxySettings& settings, const QString& fileName);
// GetProxyServer: the system setting. On this platform that is the http_proxy / HTTP_PROXY
// (and ftp_proxy / FTP_PROXY) environment: set means switched on. The server text is either
// "host:port" for every protocol or "http=host:port;ftp=host:port"; a URL such as
// "http://host:3128/" is reduced to its host and port first.
void GetProxyServer(ProxySettings& settings);
// The system-setting rule on one server text (switched on), for tests and GetProxyServer.
void ApplySystemProxyText(ProxySettings& settings, const QString& serverText);
// Rewrites the settings file with its three lines (keys right-aligned in 25 characters),
// replacing it only once the new text is complete. False when it could not be written.
bool WriteProxyServer(const ProxySettings& settings, const QString& fileName);
// The numeric value of a text as the settings file and the dialog read it: its leading digits
// ("80a" gives 80), 0 when it does not start with one.
int32_t ProxyPortValue(const QString& text);

} // namespace zentil
