#pragma once

#include <QStringList>

class QTextStream;

namespace zentil {

// zentil-tool render: draws one slide (with its subslides up to K) or a built-in slide as the
// player shows it and writes the picture as PNG: 800×600, or WxH with --size (drawn at that
// size, aspect kept, black bars around). Returns the exit code.
int RunRenderCommand(const QStringList& args);

inline constexpr const char* RenderCommandSynopsis
    = "render SCRIPT --slide N [--subslide K] [--size WxH] --out FILE.png | render --builtin "
      "end|none|load [--size WxH] --out FILE.png";

// zentil-tool scale IN PERCENT OUT: the thumbnail resampler on one picture; the format of OUT
// follows its extension. Returns the exit code.
int RunScaleCommand(const QStringList& args, QTextStream& out, QTextStream& err);

inline constexpr const char* ScaleCommandSynopsis
    = "scale IN PERCENT OUT              resample a picture as thumbnails are made";

} // namespace zentil
