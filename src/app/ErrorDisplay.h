#pragma once

#include <QDialog>
#include <QStringList>

class QFrame;
class QLabel;
class QPrinter;
class QPushButton;

namespace zentil {

// The modal error dialog "Zentil Error": the description, optional details shown on request,
// and a Print button that sends the report to the default printer. The player shows it with
// exec(); control returns when the user presses OK (or closes it).
class ErrorDisplay : public QDialog {
    Q_OBJECT
public:
    ErrorDisplay(const QString& description, const QString& details, QWidget* parent = nullptr);

    // The "Details" command: shows the details frame and enlarges the dialog to hold it.
    void ShowDetails();
    // The "Print" command. Returns false when nothing was printed (no printer, or the printer
    // refused the job); that is no error for the user.
    bool PrintError();

private:
    QString description_;
    QString details_;
    QLabel* errorDescription_ = nullptr;
    QFrame* detailsBackground_ = nullptr;
    QPushButton* showDetailsCmd_ = nullptr;
};

// Prints report lines (ErrorReportLines) in 10-point Courier New, one page after another as
// needed. Returns false when the printer could not be started.
bool PrintErrorReport(QPrinter& printer, const QStringList& lines);

} // namespace zentil
