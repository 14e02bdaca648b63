#pragma once

#include "script/PresentationModel.h"

#include <QDateTime>
#include <QFont>
#include <QImage>
#include <QLocale>
#include <QPoint>
#include <QString>

#include <vector>

namespace zentil {

// One text line of the information panel and the font it is drawn in.
struct InfoPanelLine {
    QString Text;
    QFont Font;
    int Group = 0; // lines of different groups are parted by a separator line
};

// What the panel shows, gathered from the presentation and the moment it is drawn.
struct InfoPanelContent {
    const PresentationInfo* Info = nullptr;
    int SlideIndex = 0; // CurrentSlide.Index
    int SlideCount = 0; // no slide line when 0
    QDateTime Now;
    QLocale Locale;
};

// The panel as drawn: its picture and where it sits in the 800×600 picture coordinates.
struct InfoPanelPicture {
    QImage Image;
    QPoint TopLeft;
};

// The show's total time: " m:ss" below an hour, " h:mm:ss" from an hour on (the leading field is
// right-aligned in two characters).
QString FormatShowLength(int seconds);

// The date line: "MMMM dd, yyyy   h:mm AM" for a United States locale, otherwise the locale's
// short date and short time, both with three blanks between date and time.
QString FormatInfoDate(const QDateTime& now, const QLocale& locale);

// The panel's lines in order: title, author, organization and comments (each piece of a repeated
// directive on its own line, leading blanks removed; empty texts take no room), the date, the
// slide line (only when the show has slides), the encoding and the length.
std::vector<InfoPanelLine> InfoPanelLines(const InfoPanelContent& content);

// Draws the panel: dark blue with a bevelled frame, white text, white separators between the
// groups, centred across and 45 % down the free height.
InfoPanelPicture DrawInfoPanel(const InfoPanelContent& content);

} // namespace zentil
