#include "download/ProxyDialog.h"

#include "download/DialogHost.h"
#include "download/ProxySettings.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

ProxyServerDialog::ProxyServerDialog(QWidget* parent)
    : QDialog(parent)
    , server_(new QLineEdit(this))
    , port_(new QLineEdit(this))
    , enable_(new QCheckBox(u"Use Proxy Server:"_s, this))
{
    setObjectName(u"ProxyServer"_s);
    setWindowTitle(u"Set HTTP Proxy Server"_s);
    setModal(true);
    server_->setObjectName(u"ProxyValue0"_s);
    port_->setObjectName(u"ProxyValue1"_s);
    enable_->setObjectName(u"ProxyEnable"_s);
    enable_->setLayoutDirection(Qt::RightToLeft); // the box stands after its text

    auto* form = new QFormLayout;
    form->addRow(u"HTTP Proxy Server:"_s, server_);
    form->addRow(u"Port Number:"_s, port_);
    form->addRow(enable_);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(u"OK"_s, QDialogButtonBox::AcceptRole);
    QPushButton* cancel = buttons->addButton(u"Cancel"_s, QDialogButtonBox::RejectRole);
    ok->setObjectName(u"ProxyCmd0"_s);
    cancel->setObjectName(u"ProxyCmd1"_s);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    setFixedWidth(360);
}

void ProxyServerDialog::LoadFromFile(const QString& settingsFile)
{
    const ProxyFileValues values = ReadProxyFile(settingsFile);
    if (!values.Found) {
        server_->setText(u"(enter proxy server address here)"_s);
        port_->setText(u"0"_s);
        enable_->setChecked(false);
        return;
    }
    server_->setText(values.Server);
    port_->setText(QString::number(values.Port));
    enable_->setChecked(values.Enabled);
}

void ProxyServerDialog::StoreInto(ProxySettings& settings) const
{
    settings.HTTPProxyServer = server_->text().trimmed();
    settings.HTTPProxyPort = ProxyPortValue(port_->text());
    settings.HTTPProxyEnabled = enable_->isChecked();
}

bool RunProxyDialog(
    ProxySettings& settings, const QString& settingsFile, QWidget* host, bool showDialog)
{
    if (!showDialog)
        return false;
    ProxyServerDialog dialog;
    dialog.LoadFromFile(settingsFile);
    if (RunHostedDialog(dialog, host) != QDialog::Accepted)
        return false;
    dialog.StoreInto(settings);
    WriteProxyServer(settings, settingsFile);
    return true;
}

} // namespace zentil
