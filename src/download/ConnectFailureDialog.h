#pragma once

#include <QDialog>

namespace zentil {

// The answers of the connection-failure dialog (ConnectFailureReply).
inline constexpr char16_t kReplyTryAgain[] = u"tryagain";
inline constexpr char16_t kReplySetProxyServer[] = u"setproxyserver";
inline constexpr char16_t kReplyExitZentil[] = u"exitzentil";

// "Connection Failure": why the host could not be reached and three ways on. The reply starts
// as "exitzentil", so closing the dialog any other way than by a button exits.
class ConnectFailureDialog : public QDialog {
    Q_OBJECT
public:
    explicit ConnectFailureDialog(QWidget* parent = nullptr);
    QString Reply() const { return reply_; }

private:
    void Answer(const QString& reply);
    QString reply_;
};

// Shows the dialog modally over the host (see RunHostedDialog) and returns the reply. Without
// dialogs (showDialog false) nobody can answer: the reply is "exitzentil", as for a closed
// dialog, so an unattended player ends instead of retrying forever.
QString RunConnectFailureDialog(QWidget* host, bool showDialog);

} // namespace zentil
