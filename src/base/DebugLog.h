#pragma once

#include "base/TraceClock.h"

#include <QFile>
#include <QString>

#include <utility>

namespace zentil {

// Category switches of the trace; a line is written only when DebugMode and its switch are on.
struct DebugSwitches {
    bool TraceProcedures = true; // enter/exit lines and most status lines
    bool TraceSequencing = true; // slide indexes and next-slide preparation
    bool TraceSound = true; // wave-player loading and commands
    bool TraceUserControl = true; // keyboard navigation timing and pause handling
    bool TraceTiming = false; // "time" marks around slide loading
    bool TraceDownload = false; // per-event lines of transfers and the download timer
    bool TraceFaults = false; // anomalies such as files that could not be deleted
    bool TraceDrawing = false; // each drawing command interpreted
    bool DumpSlideStructure = false; // write slidestructure.txt at shut-down
    bool OpenInNotepad = false; // open written debug files in a text editor
};

// The debug trace "ztdebug.txt". DebugMode comes from the build (ZENTIL_DEBUG_MODE) and is a
// plain run-time flag so tests can switch it on. Call sites use ZT_DEBUG so that, with the trace
// off, a call costs one test of a boolean and its message is never built.
class DebugLog {
public:
    explicit DebugLog(const TraceClock& clock, bool debugMode = ZENTIL_DEBUG_MODE_DEFAULT);
    ~DebugLog();
    DebugLog(const DebugLog&) = delete;
    DebugLog& operator=(const DebugLog&) = delete;

    bool DebugMode;
    bool DebugFileEnabled = true;
    DebugSwitches Switches;

    // Creates ztdebug.txt in the given folder (replacing an old one) and writes the header.
    void OpenDebugFile(const QString& tempFolder);
    void CloseDebugFile();
    // Applies one of the kinds enter, exit, status, error, time, deltatime, header; the kind is
    // trimmed and case-folded, any other kind writes nothing. Never fails.
    void WriteDebug(const QString& kind, const QString& message);

    bool DebugFileOpen() const { return file_.isOpen(); }
    const QString& DebugFilePath() const { return debugFilePath_; }

    // The title line of the header for a given date and time text; public for its padding rule.
    static QString HeaderTitleLine(const QString& date, const QString& time);
    // Seconds in the trace's shortest single-precision form (at most 7 significant digits).
    static QString FormatSeconds(double seconds);

private:
    void WriteLine(const QString& text, bool indented);

    const TraceClock& clock_;
    QFile file_;
    QString debugFilePath_;
    int debugIndent_ = 0;
    float debugTimeMark_ = 0.0F;
};

// The "enter" line of a procedure when made and its "exit" line when it goes out of scope, so that
// no return can leave the indentation one level too deep. Made through ZT_TRACE_SCOPE: with the
// trace off it costs one test of a boolean and no message is built.
class TraceScope {
public:
    explicit TraceScope(DebugLog& log)
        : log_(log.DebugMode && log.Switches.TraceProcedures ? &log : nullptr)
    { }
    ~TraceScope()
    {
        if (log_)
            log_->WriteDebug(QStringLiteral("exit"), exit_);
    }
    TraceScope(const TraceScope&) = delete;
    TraceScope& operator=(const TraceScope&) = delete;

    bool Active() const { return log_ != nullptr; }
    void Enter(const QString& enterMessage, QString exitMessage)
    {
        log_->WriteDebug(QStringLiteral("enter"), enterMessage);
        exit_ = std::move(exitMessage);
    }
    void SetExitMessage(QString exitMessage) { exit_ = std::move(exitMessage); }

private:
    DebugLog* log_;
    QString exit_;
};

// "True" or "False", as trace lines write a flag.
inline QString BoolText(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

} // namespace zentil

// ZT_DEBUG(log, TraceProcedures, "enter", u"LoadSlideShow"_s): the message expression is only
// evaluated when the trace and the category are both on.
#define ZT_DEBUG(log, category, kind, message)                                                     \
    do {                                                                                           \
        if ((log).DebugMode && (log).Switches.category)                                            \
            (log).WriteDebug(QStringLiteral(kind), (message));                                     \
    } while (false)

// ZT_TRACE_SCOPE(log, u"DecompressFile"_s) writes the entry line of DecompressFile now and its
// exit line when the enclosing block is left, by whichever return. ZT_TRACE_SCOPE_ARGS adds the
// arguments to the entry line only ("LoadSlideBackground - SlideIndex = 3"); ZT_TRACE_EXIT
// replaces the exit line's text with one that reports a result. One scope per block.
#define ZT_TRACE_SCOPE(log, name) ZT_TRACE_SCOPE_WITH(log, (name), (name))
#define ZT_TRACE_SCOPE_ARGS(log, name, arguments)                                                  \
    ZT_TRACE_SCOPE_WITH(log, (name) + QStringLiteral(" - ") + (arguments), (name))
#define ZT_TRACE_SCOPE_WITH(log, enterMessage, exitMessage)                                        \
    ::zentil::TraceScope ztTraceScope(log);                                                        \
    if (ztTraceScope.Active())                                                                     \
    ztTraceScope.Enter((enterMessage), (exitMessage))
#define ZT_TRACE_EXIT(message)                                                                     \
    do {                                                                                           \
        if (ztTraceScope.Active())                                                                 \
            ztTraceScope.SetExitMessage(message);                                                  \
    } while (false)
