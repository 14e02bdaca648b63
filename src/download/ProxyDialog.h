#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;

namespace zentil {

struct ProxySettings;

// "Set HTTP Proxy Server": the proxy host, its port and whether to use it.
class ProxyServerDialog : public QDialog {
    Q_OBJECT
public:
    explicit ProxyServerDialog(QWidget* parent = nullptr);

    // Fills the boxes from the settings file, or with the prompts when there is none.
    void LoadFromFile(const QString& settingsFile);
    // The boxes as OK takes them: server trimmed, port's leading number, the tick.
    void StoreInto(ProxySettings& settings) const;

    QLineEdit& ServerBox() { return *server_; }
    QLineEdit& PortBox() { return *port_; }
    QCheckBox& EnableBox() { return *enable_; }

private:
    QLineEdit* server_;
    QLineEdit* port_;
    QCheckBox* enable_;
};

// SetProxyServer: shows the dialog modally over the host (see RunHostedDialog). On "OK" the
// settings take the dialog's values and the settings file is written anew; returns true then.
// "Cancel" changes nothing. Without dialogs (showDialog false) it is the same as "Cancel".
bool RunProxyDialog(
    ProxySettings& settings, const QString& settingsFile, QWidget* host, bool showDialog);

} // namespace zentil
