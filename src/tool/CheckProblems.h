#pragma once

#include "script/ScriptReader.h"
#include "tool/ScriptCheck.h"

#include <QStringView>

#include <vector>

namespace zentil {

// The problems found so far, with columns worked out from views into the statements.
class ProblemList {
public:
    // A problem at the start of the statement.
    void Add(ProblemLevel level, StatementPosition at, QString text);
    // A problem at the view `at`, which points into `statement` (empty: the statement's start).
    void Add(ProblemLevel level, StatementPosition start, const QString& statement, QStringView at,
        QString text);
    std::vector<CheckProblem>& Problems() { return problems_; }

private:
    std::vector<CheckProblem> problems_;
};

// The column of a view into a statement that begins at start.
StatementPosition PositionOf(StatementPosition start, const QString& statement, QStringView at);

// "'text'" with the text shortened to a readable length.
QString Quoted(QStringView text);

// Whether the whole word is a number as scripts write them: optional sign, digits, at most one
// "." (or "&h" and hexadecimal digits).
bool IsNumberWord(QStringView word);

} // namespace zentil
