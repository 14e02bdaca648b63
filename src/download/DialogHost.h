#pragma once

class QDialog;
class QWidget;

namespace zentil {

// Runs a dialog modally. When the host is a graphics view (the full-screen window), the dialog
// is drawn inside its scene, centred in the 800×600 picture coordinates, so it scales with the
// picture like every panel; otherwise it runs as an ordinary window. Events keep running while
// it waits. Returns the dialog's result (QDialog::Accepted / Rejected or its done() code).
int RunHostedDialog(QDialog& dialog, QWidget* host);

} // namespace zentil
