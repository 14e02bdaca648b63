#pragma once

#include <QStringList>

class QTextStream;

namespace zentil {

// zentil-tool render: draws one slide (with its subslides up to K) or a built-in slide as the
// player shows it and writes the 800×600 picture as PNG. Returns the exit code.
int RunRenderCommand(const QStringList& args);

inline constexpr const char* RenderCommandSynopsis
    = "render SCRIPT --slide N [--subslide K] --out FILE.png | render --builtin end|none|load "
      "--out FILE.png";

// zentil-tool scale IN PERCENT OUT: the thumbnail resampler on one picture; the format of OUT
// follows its extension. Returns the exit code.
int RunScaleCommand(const QStringList& args, QTextStream& out, QTextStream& err);

inline constexpr const char* ScaleCommandSynopsis
    = "scale IN PERCENT OUT              resample a picture as thumbnails are made";

} // namespace zentil
