#include "app/ErrorTexts.h"

#include <QRegularExpression>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

namespace {

constexpr qsizetype kReportLineWidth = 72;
constexpr qsizetype kHeadingFieldWidth = 30;
constexpr qsizetype kRuleWidth = 76;

} // namespace

QString MissingPresentationText(const QString& name)
{
    return u"The requested slide show, "_s + name + u",does not exist."_s;
}

QString ResourceFatalErrorText(const QString& fileName)
{
    if (fileName.isEmpty())
        return QString();
    // The wording is the text users and authors have always seen.
    return u"A critical file, "_s + fileName + u", is missing and"_s + u"\r"_s
        + u"not available on the host computer. As a result, the"_s + u"\r"_s
        + u"slide presentation cannot continue. Zentil will exit."_s;
}

QString ResourceFatalErrorTitle()
{
    return u"Zentil Fatal Error"_s;
}

QStringList WrapReportText(const QString& text)
{
    static const QRegularExpression lineBreak(u"\r\n|\r|\n"_s);
    QStringList lines;
    for (const QString& paragraph : text.split(lineBreak)) {
        QString rest = paragraph.trimmed();
        while (rest.size() > kReportLineWidth) {
            const qsizetype blank = rest.left(kReportLineWidth).lastIndexOf(u' ');
            if (blank > 0) {
                lines.append(rest.left(blank).trimmed());
                rest = rest.mid(blank + 1).trimmed();
            } else {
                lines.append(rest.left(kReportLineWidth - 1));
                rest = rest.mid(kReportLineWidth - 1);
            }
        }
        if (!rest.isEmpty())
            lines.append(rest);
    }
    return lines;
}

QStringList ErrorReportLines(
    const QString& description, const QString& details, const QDateTime& now)
{
    const QString rule(kRuleWidth, u'=');
    const QString date = now.date().toString(Qt::ISODate);
    const QString time = now.time().toString(u"HH:mm:ss"_s);

    QStringList lines { QString(), QString(), rule };
    lines.append(date.leftJustified(kHeadingFieldWidth) + u"Zentil Error"_s
        + time.rightJustified(kHeadingFieldWidth));
    lines.append(rule);
    lines.append(QString());
    lines.append(WrapReportText(description));
    lines.append({ QString(), QString() });
    if (!details.isEmpty()) {
        lines.append(WrapReportText(details));
        lines.append({ QString(), QString() });
    }
    lines.append(rule);
    return lines;
}

} // namespace zentil
