#pragma once

#include "base/ErrorReporting.h"

#include <functional>
#include <vector>

namespace zentil::test {

// Keeps what the code under test reports instead of showing it. OnFatal runs after a fatal
// error is kept (the player starts its shut-down there).
class RecordingReporter : public ErrorReporter {
public:
    struct Problem {
        int32_t Statement = 0;
        QString Text;
    };
    std::vector<FatalError> Fatal;
    std::vector<Problem> Problems;
    std::function<void()> OnFatal;

    void ExecuteFatalError(const FatalError& error) override
    {
        Fatal.push_back(error);
        if (OnFatal)
            OnFatal();
    }
    void ScriptProblem(int32_t statementNumber, const QString& text) override
    {
        Problems.push_back({ statementNumber, text });
    }
};

} // namespace zentil::test
