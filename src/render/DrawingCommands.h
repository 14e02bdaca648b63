#pragma once

#include "render/GraphicsState.h"

#include <QString>
#include <QStringView>

#include <functional>

namespace zentil {

class DebugLog;
struct RenderState;

// What the interpreter needs from outside the drawing code.
struct DrawingEnvironment {
    // A picture resource's name (as the script writes it, upper-cased) to a readable local
    // file; empty when the presentation has no such resource.
    std::function<QString(const QString& resourceName)> ResolveResource;
    // Told about a picture that could not be drawn (unknown, missing or unreadable). Optional.
    std::function<void(const QString& resourceName)> ResourceMissing;
    // Told why a picture file that is there cannot be read (its type or its contents), before
    // ResourceMissing. Optional.
    std::function<void(const QString& resourceName, const QString& problem)> PictureUnreadable;
    // The /BACKGROUND command for the referenced background index. Optional: without it the
    // command only copies "background" to "source".
    std::function<void(int BackgroundIndexRef)> BackgroundCommand;
};

// The token reader of the command language: space-separated words, apostrophe-quoted values.
class CommandTokens {
public:
    explicit CommandTokens(QString text)
        : Rest(std::move(text))
    { }
    QString ReadToken();
    // A colour: "#RRGGBB" or three percentages.
    QRgb ReadColor();
    bool AtEnd() const { return Rest.trimmed().isEmpty(); }

    QString Rest;
};

// The longest leading number of a token (decimal with sign and fraction, or hexadecimal after
// "&h"); 0 when the token does not start with one.
double ReadScriptNumber(QStringView token);

// Interprets one drawing command line on the named layer. Never fails: what cannot be read is
// skipped.
void ExecuteDrawingCommand(RenderState& r, const DrawingEnvironment& env, DebugLog& log,
    const QString& ScriptLine, const QString& LayerName, int LocalResourceSet,
    int BackgroundIndexRef);

} // namespace zentil
