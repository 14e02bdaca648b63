#include "tool/CheckProblems.h"

using namespace Qt::Literals::StringLiterals;

namespace zentil {

StatementPosition PositionOf(StatementPosition start, const QString& statement, QStringView at)
{
    const qsizetype offset = at.data() - statement.data();
    if (at.data() == nullptr || offset < 0 || offset > statement.size())
        return start;
    return { start.Line, start.Column + static_cast<int32_t>(offset) };
}

void ProblemList::Add(ProblemLevel level, StatementPosition at, QString text)
{
    problems_.push_back({ at.Line, at.Column, level, std::move(text) });
}

void ProblemList::Add(ProblemLevel level, StatementPosition start, const QString& statement,
    QStringView at, QString text)
{
    Add(level, PositionOf(start, statement, at), std::move(text));
}

QString Quoted(QStringView text)
{
    constexpr qsizetype kLongest = 40;
    if (text.size() <= kLongest)
        return u"'"_s + text + u"'"_s;
    return u"'"_s + text.left(kLongest) + u"...'"_s;
}

bool IsNumberWord(QStringView word)
{
    if (word.startsWith(u"&h", Qt::CaseInsensitive)) {
        const QStringView digits = word.mid(2);
        if (digits.isEmpty())
            return false;
        for (const QChar c : digits) {
            if (!c.isDigit() && !QStringView(u"abcdefABCDEF").contains(c))
                return false;
        }
        return true;
    }
    qsizetype i = 0;
    if (i < word.size() && (word[i] == u'+' || word[i] == u'-'))
        ++i;
    bool digits = false;
    bool point = false;
    for (; i < word.size(); ++i) {
        const QChar c = word[i];
        if (c >= u'0' && c <= u'9') {
            digits = true;
        } else if (c == u'.' && !point) {
            point = true;
        } else {
            return false;
        }
    }
    return digits;
}

} // namespace zentil
