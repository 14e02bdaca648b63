#pragma once

#include <QImage>
#include <QString>

class QThreadPool;

namespace zentil {

class DebugLog;
class PictureMemory;
struct RenderState;

// Whether the file is a vector picture (SVG, by its name): drawn at the size it is shown.
bool IsVectorPicture(const QString& path);

// Why the player cannot draw the picture file (missing, a type no installed reader knows, or
// damaged), in a few words; empty when it can. zentil-tool check reports it.
QString PictureProblem(const QString& path);

// Draws the SVG picture at (X, Y) rendered directly at W = round(XScale × width + 0.5) by
// H = round(YScale × height + 0.5) of its own size, over what the layer holds (its
// transparency kept). Returns 0 when the layer name is unknown, 1 otherwise.
int DrawVectorPictureOnBitmap(RenderState& r, const QString& layer, int set, const QString& path,
    double XScale, double YScale, int X, int Y);

// Reads a picture resource (bitmap, JPEG, GIF, PNG with its transparency, WebP where Qt's
// plug-in is installed). Bitmaps come back opaque: what a bitmap holds in
// its alpha bytes is ignored, so a 32-bit bitmap whose alpha bytes are all 0 still shows. A null
// picture when the file cannot be read. With memory, a large picture is read into it.
QImage LoadPicture(const QString& path, const PictureMemory* memory = nullptr);
// Reads the font list and finds and loads the readers of the common picture formats on worker
// threads, so that the first slide does not wait for them (milliseconds of fontconfig and plug-in
// loading). The pool must end (wait for its work) before the application object does.
void LoadPictureReadersAhead(QThreadPool& pool);
// LoadPicture through the drawing state's cache (the file's name, size and time as the key).
QImage LoadCachedPicture(RenderState& r, const QString& path);

// Draws picture scaled to W = round(XScale × width + 0.5) by H = round(YScale × height + 0.5)
// at (X, Y); returns 0 when the layer name is unknown, 1 otherwise.
// - When W and H are each within one pixel of the picture's own size, the picture is copied
//   pixel for pixel: an extra column or row repeats the picture's edge, a missing one is cut off.
// - Otherwise it is scaled with smooth filtering.
// - With MaskX ≥ 1 the colour of the unscaled picture's pixel (MaskX, MaskY) is the key colour:
//   those pixels are left out. When scaled, a target pixel is left out or drawn whole as its
//   nearest picture pixel is keyed or not, and the colour of a drawn pixel is filtered from the
//   unkeyed pixels only, so the key colour never tints the edges of the cut-out.
int DrawImageOnBitmap(RenderState& r, const QString& layer, int set, const QImage& picture,
    double XScale, double YScale, int X, int Y, int MaskX, int MaskY, DebugLog& log);

} // namespace zentil
