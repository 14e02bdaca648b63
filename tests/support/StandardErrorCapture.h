#pragma once

#include <QByteArray>
#include <QString>

#include <cstdio>
#include <unistd.h>

namespace zentil::test {

// Sends everything written to standard error into a file while it lives, so a test can read
// what the player told the user when its dialogs are off.
class StandardErrorCapture {
public:
    StandardErrorCapture()
    {
        std::fflush(stderr);
        saved_ = ::dup(STDERR_FILENO);
        file_ = std::tmpfile();
        if (file_)
            ::dup2(::fileno(file_), STDERR_FILENO);
    }
    ~StandardErrorCapture()
    {
        std::fflush(stderr);
        if (saved_ >= 0) {
            ::dup2(saved_, STDERR_FILENO);
            ::close(saved_);
        }
        if (file_)
            std::fclose(file_);
    }
    StandardErrorCapture(const StandardErrorCapture&) = delete;
    StandardErrorCapture& operator=(const StandardErrorCapture&) = delete;

    // Everything written so far.
    QString Text() const
    {
        std::fflush(stderr);
        if (!file_)
            return {};
        QByteArray bytes;
        std::rewind(file_);
        char buffer[4096];
        size_t n = 0;
        while ((n = std::fread(buffer, 1, sizeof buffer, file_)) > 0)
            bytes.append(buffer, static_cast<qsizetype>(n));
        std::fseek(file_, 0, SEEK_END);
        return QString::fromUtf8(bytes);
    }

private:
    int saved_ = -1;
    std::FILE* file_ = nullptr;
};

} // namespace zentil::test
