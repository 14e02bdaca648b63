#pragma once

#include "download/HttpTransfer.h"

#include <QString>
#include <QUrl>

#include <functional>

namespace zentil {

struct ProxySettings;

// True when a command line names a web address ("http://" or "https://") instead of a file.
bool IsWebAddress(const QString& commandLine);

struct FetchedScript {
    QString FileName; // where the script now lies; "" on failure
    QString Error; // why it could not be fetched
    int ErrorNumber = 0; // the transfer's error number (see TransferError)
};

// Fetches a script from a web server into the folder (the system temporary folder, where a
// browser would leave it) under the address's last name. An existing file of that name is left
// alone: the copy gets a browser-style instance number instead ("talk-1.zentil"). Nothing waits:
// done is called once the transfer has ended, from the transfer's own notification (so it must
// not destroy this fetch; post the work on).
class ScriptFetch {
public:
    void Start(const QUrl& address, const QString& folder, const ProxySettings& proxy,
        std::function<void(const FetchedScript&)> done);

private:
    HttpClient client_;
};

// The folder of the script's address followed by "resources/": where the files of a script that
// names no resource server of its own are looked for.
QString ResourceFolderBeside(const QUrl& scriptAddress);

} // namespace zentil
