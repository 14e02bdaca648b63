#pragma once

#include "base/ErrorReporting.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace zentil {

// What the player remembers about errors between the place that finds one and the place that
// shows it; owned by the application object.
struct ErrorReportingState {
    QString ErrorDescriptionText; // main text of the error dialog
    QString ErrorDetailsText; // optional detail text; empty means no details
    bool CorruptFileFound = false; // shut-down deletes the presentation's cache folder
    QString MissingFileName; // resource that could not be obtained
};

// Text of the error dialog when the presentation chosen to open does not exist.
QString MissingPresentationText(const QString& name);

// Text of the fatal message for a resource that cannot be obtained: three lines joined by
// carriage returns, or empty when no file name is known.
QString ResourceFatalErrorText(const QString& fileName);

// Title of that message box.
QString ResourceFatalErrorTitle();

// The printed error report, one string per printed line (without line ends): rules, the
// heading with date and time, the wrapped description and, when there are any, the details.
QStringList ErrorReportLines(const QString& description, const QString& details,
    const QDateTime& now = QDateTime::currentDateTime());

// Breaks text into printed lines of at most 72 characters: each line ends at the last blank
// within its first 72 characters, and a word longer than that is cut after 71 characters.
// Line breaks in the text start new lines.
QStringList WrapReportText(const QString& text);

} // namespace zentil
