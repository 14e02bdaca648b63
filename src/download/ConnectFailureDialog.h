#pragma once

#include <QDialog>

namespace zentil {

// The answers of the connection-failure dialog.
enum class ConnectFailureReply { TryAgain, SetProxyServer, ExitZentil };

// "Connection Failure": why the host could not be reached and three ways on. The reply starts
// as ExitZentil, so closing the dialog any other way than by a button exits.
class ConnectFailureDialog : public QDialog {
    Q_OBJECT
public:
    explicit ConnectFailureDialog(QWidget* parent = nullptr);
    ConnectFailureReply Reply() const { return reply_; }

private:
    void Answer(ConnectFailureReply reply);
    ConnectFailureReply reply_;
};

// Shows the dialog modally over the host (see RunHostedDialog) and returns the reply. Without
// dialogs (showDialog false) nobody can answer: the reply is ExitZentil, as for a closed
// dialog, so an unattended player ends instead of retrying forever.
ConnectFailureReply RunConnectFailureDialog(QWidget* host, bool showDialog);

} // namespace zentil
