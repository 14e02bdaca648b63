#include "download/ConnectFailureDialog.h"

#include "download/DialogHost.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTextStream>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

namespace {
QLabel* WrappedLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}
} // namespace

ConnectFailureDialog::ConnectFailureDialog(QWidget* parent)
    : QDialog(parent)
    , reply_(ConnectFailureReply::ExitZentil)
{
    setObjectName(u"ConnectFailure"_s);
    setWindowTitle(u"Connection Failure"_s);
    setModal(true);
    auto* frame = new QGroupBox(u"Unable to Connect to Remote Server"_s, this);
    auto* text = new QVBoxLayout(frame);
    text->addWidget(WrappedLabel(
        u"The host computer could not be contacted or would not allow a connection. There are several possible reasons for this failure:"_s,
        frame));
    for (const QString& reason :
        { u"Your local internet connection is not currently working."_s,
            u"The remote server is temporarily off-line."_s,
            u"Your organization uses a proxy server for accessing the web and the player is not yet aware of its address."_s })
        text->addWidget(WrappedLabel(u"\u2022  "_s + reason, frame));
    text->addWidget(WrappedLabel(u"Several options are provided below for you to try:"_s, frame));

    auto* buttons = new QHBoxLayout;
    const auto addButton = [this, buttons](const QString& caption, const QString& objectName,
                               ConnectFailureReply reply) {
        auto* button = new QPushButton(caption, this);
        button->setObjectName(objectName);
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, [this, reply] { Answer(reply); });
        buttons->addWidget(button);
        return button;
    };
    addButton(u"Try Again"_s, u"tryagain"_s, ConnectFailureReply::TryAgain)->setDefault(true);
    addButton(u"Set Proxy Server"_s, u"setproxyserver"_s, ConnectFailureReply::SetProxyServer);
    addButton(u"Exit Zentil"_s, u"exitzentil"_s, ConnectFailureReply::ExitZentil);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addLayout(buttons);
    setFixedWidth(460);
}

void ConnectFailureDialog::Answer(ConnectFailureReply reply)
{
    reply_ = reply;
    accept();
}

ConnectFailureReply RunConnectFailureDialog(QWidget* host, bool showDialog)
{
    if (!showDialog) {
        QTextStream(stderr)
            << u"Connection Failure: The host computer could not be contacted or would not allow a connection.\n"_s;
        return ConnectFailureReply::ExitZentil;
    }
    ConnectFailureDialog dialog;
    RunHostedDialog(dialog, host);
    return dialog.Reply();
}

} // namespace zentil
