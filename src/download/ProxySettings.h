#pragma once

#include <QNetworkProxy>
#include <QString>
#include <QStringList>
#include <QUrl>

namespace zentil {

// The proxy in use for transfers. Recomputed for every presentation: the player's own settings
// file first, then the system setting (the environment), which wins where it applies.
struct ProxySettings {
    bool HTTPProxyEnabled = false; // the settings file's proxy, for every address
    QString HTTPProxyServer;
    int32_t HTTPProxyPort = 0;
    QUrl SystemHttp; // http_proxy / HTTP_PROXY; empty when not set
    QUrl SystemHttps; // https_proxy / HTTPS_PROXY
    QStringList NoProxy; // no_proxy / NO_PROXY entries: hosts or domains reached directly
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
// GetProxyServer: the system setting, which on this platform is the environment: http_proxy,
// https_proxy and no_proxy, lower-case forms first. An ftp proxy never applies.
void GetProxyServer(ProxySettings& settings);
// The proxy for one address: none for a host no_proxy names, else the system proxy of the
// address's scheme, else the settings file's when enabled, else none. A proxy address without
// a port uses its scheme's default one.
QNetworkProxy ProxyFor(const ProxySettings& settings, const QUrl& address);
// Rewrites the settings file with its three lines (keys right-aligned in 25 characters),
// replacing it only once the new text is complete. False when it could not be written.
bool WriteProxyServer(const ProxySettings& settings, const QString& fileName);
// The numeric value of a text as the settings file and the dialog read it: its leading digits
// ("80a" gives 80), 0 when it does not start with one.
int32_t ProxyPortValue(const QString& text);

} // namespace zentil
