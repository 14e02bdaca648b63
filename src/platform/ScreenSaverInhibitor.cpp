#include "platform/ScreenSaverInhibitor.h"

#include <QDBusMessage>
#include <QDBusReply>

#include <utility>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

namespace {
const QString kService = u"org.freedesktop.ScreenSaver"_s;
const QString kPath = u"/org/freedesktop/ScreenSaver"_s;
const QString kInterface = u"org.freedesktop.ScreenSaver"_s;
// Start-up must not hang on a desktop that does not answer.
constexpr int kCallTimeoutMs = 2000;
} // namespace

ScreenSaverInhibitor::ScreenSaverInhibitor(QDBusConnection bus)
    : bus_(std::move(bus))
{ }

ScreenSaverInhibitor::~ScreenSaverInhibitor()
{
    UnInhibit();
}

bool ScreenSaverInhibitor::Inhibit(const QString& applicationName, const QString& reason)
{
    if (IsInhibited())
        return true;
    if (!bus_.isConnected())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, u"Inhibit"_s);
    call << applicationName << reason;
    const QDBusReply<quint32> reply = bus_.call(call, QDBus::Block, kCallTimeoutMs);
    if (!reply.isValid())
        return false;
    cookie_ = reply.value();
    inhibited_ = true;
    return true;
}

void ScreenSaverInhibitor::UnInhibit()
{
    if (!IsInhibited())
        return;
    inhibited_ = false;
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, u"UnInhibit"_s);
    call << cookie_;
    bus_.call(call, QDBus::Block, kCallTimeoutMs);
}

} // namespace zentil
