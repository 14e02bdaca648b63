#include "download/ScriptFetch.h"

#include "download/HttpTransfer.h"
#include "download/ProxySettings.h"

#include <QDir>
#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

bool IsWebAddress(const QString& commandLine)
{
    const QString lower = commandLine.trimmed().toLower();
    return lower.startsWith(u"http://"_s) || lower.startsWith(u"https://"_s);
}

namespace {
// A free name in the folder: the name itself, else "stem-1.ext", "stem-2.ext", ...
QString FreeName(const QDir& folder, const QString& name)
{
    if (!QFileInfo::exists(folder.filePath(name)))
        return folder.filePath(name);
    const qsizetype dot = name.lastIndexOf(u'.');
    const QString stem = dot > 0 ? name.left(dot) : name;
    const QString extension = dot > 0 ? name.mid(dot) : QString();
    for (int n = 1;; ++n) {
        const QString candidate = folder.filePath(stem + u"-"_s + QString::number(n) + extension);
        if (!QFileInfo::exists(candidate))
            return candidate;
    }
}
} // namespace

void ScriptFetch::Start(const QUrl& address, const QString& folder, const ProxySettings& proxy,
    std::function<void(const FetchedScript&)> done)
{
    const QString name = address.fileName(QUrl::FullyDecoded);
    if (!IsPlainFileName(name)) {
        FetchedScript refused;
        refused.Error = u"The address does not name a script file."_s;
        done(refused);
        return;
    }
    TransferRequest request;
    request.Url = address;
    request.LocalFileName = FreeName(QDir(folder), name);
    client_.SetProxyRule([proxy](const QUrl& url) { return ProxyFor(proxy, url); });
    TransferEvents events;
    events.Finished
        = [done = std::move(done), file = request.LocalFileName](const TransferResult& result) {
              FetchedScript fetched;
              fetched.ErrorNumber = result.ErrorNumber;
              if (result.ErrorNumber == TransferOk)
                  fetched.FileName = file;
              else
                  fetched.Error = u"Error ["_s + QString::number(result.ErrorNumber) + u"]:"_s
                      + result.Description + u"."_s;
              done(fetched);
          };
    client_.Start(request, std::move(events));
}

QString ResourceFolderBeside(const QUrl& scriptAddress)
{
    const QUrl folder = scriptAddress.adjusted(
        QUrl::RemoveFilename | QUrl::RemoveQuery | QUrl::RemoveFragment | QUrl::RemoveUserInfo);
    return folder.toString() + u"resources/"_s;
}

} // namespace zentil
