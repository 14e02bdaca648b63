#include "playback/InfoPanel.h"

#include "playback/FullScreenWindow.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

namespace {

constexpr int kVirtualWidth = FullScreenWindow::kVirtualWidth;
constexpr int kVirtualHeight = FullScreenWindow::kVirtualHeight;
constexpr int kMargin = 12;
constexpr int kLineGap = 3;
// The widest text line the 800-pixel picture can show.
constexpr int kMaxTextWidth = kVirtualWidth - 4 * kMargin - 4;
// No line of the picture holds more characters than this, so a longer text is looked at only
// this far: the work per refresh does not grow with the script's text.
constexpr qsizetype kMaxScannedCharacters = 4096;
const QColor kBackground(0, 0, 158);
const QColor kLitEdge(180, 180, 255);
const QColor kShadedEdge(0, 0, 80);
const QColor kFrame(128, 128, 255);

QFont PanelFont(int points, bool bold = false)
{
    QFont font(u"Arial"_s);
    // Point sizes are those of a 96-dpi screen in the 800×600 picture.
    font.setPixelSize(int(std::nearbyint(points * 96.0 / 72.0)));
    font.setBold(bold);
    return font;
}

// Adds the pieces of a text, each cut to the picture's width, until the lines reach maxLines.
void AddPieces(
    std::vector<InfoPanelLine>& lines, const QString& text, const QFont& font, size_t maxLines)
{
    const QFontMetrics metrics(font);
    const QStringView scanned = QStringView(text).left(kMaxScannedCharacters);
    for (const QStringView piece : scanned.tokenize(u'\r', Qt::SkipEmptyParts)) {
        if (lines.size() >= maxLines)
            return;
        qsizetype start = 0;
        while (start < piece.size() && piece[start] == u' ')
            ++start;
        if (start < piece.size())
            lines.push_back(
                { metrics.elidedText(piece.mid(start).toString(), Qt::ElideRight, kMaxTextWidth),
                    font, 0 });
    }
}

int LineHeight(const InfoPanelLine& line)
{
    return QFontMetrics(line.Font).height();
}

// Height of the panel and the top of each line inside it.
int LayOut(const std::vector<InfoPanelLine>& lines, std::vector<int>& tops)
{
    int y = kMargin;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i > 0)
            y += lines[i].Group != lines[i - 1].Group ? 2 * kMargin : kLineGap;
        tops.push_back(y);
        y += LineHeight(lines[i]);
    }
    return y + kMargin;
}

void DrawFrame(QPainter& painter, const QSize& size)
{
    const int w = size.width();
    const int h = size.height();
    painter.setPen(kFrame);
    painter.drawRect(0, 0, w - 1, h - 1);
    for (int inset = 1; inset <= 2; ++inset) {
        painter.setPen(kLitEdge);
        painter.drawLine(inset, inset, w - 1 - inset, inset);
        painter.drawLine(inset, inset, inset, h - 1 - inset);
        painter.setPen(kShadedEdge);
        painter.drawLine(inset, h - 1 - inset, w - 1 - inset, h - 1 - inset);
        painter.drawLine(w - 1 - inset, inset, w - 1 - inset, h - 1 - inset);
    }
}

} // namespace

QString FormatShowLength(int seconds)
{
    seconds = std::max(0, seconds);
    const int hours = seconds / 3600;
    const int minutes = (seconds % 3600) / 60;
    const int rest = seconds % 60;
    if (hours > 0)
        return u"%1:%2:%3"_s.arg(hours, 2)
            .arg(minutes, 2, 10, QChar(u'0'))
            .arg(rest, 2, 10, QChar(u'0'));
    return u"%1:%2"_s.arg(minutes, 2).arg(rest, 2, 10, QChar(u'0'));
}

QString FormatInfoDate(const QDateTime& now, const QLocale& locale)
{
    if (locale.territory() == QLocale::UnitedStates) {
        const QLocale english(QLocale::English, QLocale::UnitedStates);
        return english.toString(now, u"MMMM dd, yyyy   h:mm AP"_s);
    }
    return locale.toString(now.date(), QLocale::ShortFormat) + u"   "_s
        + locale.toString(now.time(), QLocale::ShortFormat);
}

std::vector<InfoPanelLine> InfoPanelLines(const InfoPanelContent& content)
{
    std::vector<InfoPanelLine> lines;
    const PresentationInfo empty;
    const PresentationInfo& info = content.Info ? *content.Info : empty;
    // No more text lines than 12-point ones would fill the picture's height.
    const int smallLine = QFontMetrics(PanelFont(12)).height() + kLineGap;
    const auto maxLines = static_cast<size_t>(kVirtualHeight / smallLine);
    AddPieces(lines, info.TitleText, PanelFont(20), maxLines);
    AddPieces(lines, info.AuthorText, PanelFont(16, true), maxLines);
    AddPieces(lines, info.OrganizationText, PanelFont(12), maxLines);
    AddPieces(lines, info.CommentsText, PanelFont(12), maxLines);
    const auto texts = static_cast<std::ptrdiff_t>(lines.size());
    lines.push_back({ FormatInfoDate(content.Now, content.Locale), PanelFont(12), 1 });
    if (content.SlideCount > 0)
        lines.push_back({ u"Slide %1 of %2"_s.arg(content.SlideIndex).arg(content.SlideCount),
            PanelFont(12), 2 });
    lines.push_back({ u"Encoded: %1 kbps"_s.arg(info.DataKbps), PanelFont(12), 2 });
    lines.push_back({ u"Length: "_s + FormatShowLength(info.DataLength), PanelFont(12), 2 });
    // The panel fits the picture: the last text lines give way, never the facts below them.
    for (std::ptrdiff_t last = texts; last > 0; --last) {
        std::vector<int> tops;
        if (LayOut(lines, tops) <= kVirtualHeight)
            break;
        lines.erase(lines.begin() + (last - 1));
    }
    return lines;
}

InfoPanelPicture DrawInfoPanel(const InfoPanelContent& content)
{
    const std::vector<InfoPanelLine> lines = InfoPanelLines(content);
    int widest = 0;
    for (const InfoPanelLine& line : lines)
        widest = std::max(widest, QFontMetrics(line.Font).horizontalAdvance(line.Text));
    std::vector<int> tops;
    const int height = LayOut(lines, tops);
    const int width = widest + 4 * kMargin + 4;

    InfoPanelPicture picture;
    picture.Image = QImage(width, height, QImage::Format_RGB32);
    picture.Image.fill(kBackground);
    picture.TopLeft = QPoint((kVirtualWidth - width) / 2, ((kVirtualHeight - height) * 9 / 2) / 10);

    QPainter painter(&picture.Image);
    DrawFrame(painter, picture.Image.size());
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i > 0 && lines[i].Group != lines[i - 1].Group) {
            const int y = tops[i] - kMargin;
            painter.setPen(Qt::white);
            painter.drawLine(kMargin, y, width - 1 - kMargin, y);
        }
        painter.setFont(lines[i].Font);
        painter.setPen(Qt::white);
        painter.drawText(
            2 * kMargin + 2, tops[i] + QFontMetrics(lines[i].Font).ascent(), lines[i].Text);
    }
    return picture;
}

} // namespace zentil
