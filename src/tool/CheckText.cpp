#include "tool/CheckText.h"

#include "base/DebugLog.h"
#include "platform/MonotonicClock.h"
#include "render/DrawingCommands.h"
#include "render/RenderState.h"
#include "script/ScriptWords.h"

#include <QFontDatabase>
#include <QFontMetricsF>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

struct TextMeasure::State {
    MonotonicClock Clock;
    DebugLog Log { Clock, false };
    RenderState Render;
    DrawingEnvironment Environment;
    QList<int> FontIds;
    QString FontLine; // the /font statement the layer's font was last made from
};

TextMeasure::TextMeasure(const QStringList& fontFiles)
    : state_(std::make_unique<State>())
{
    for (const QString& file : fontFiles)
        state_->FontIds << QFontDatabase::addApplicationFont(file);
    PrepareRenderState(state_->Render, state_->Log);
    state_->FontLine = u"/font {}"_s;
    ExecuteDrawingCommand(
        state_->Render, state_->Environment, state_->Log, state_->FontLine, u"source"_s, 1, 1);
}

TextMeasure::~TextMeasure()
{
    for (const int id : std::as_const(state_->FontIds)) {
        if (id >= 0)
            QFontDatabase::removeApplicationFont(id);
    }
}

std::optional<QRectF> TextMeasure::Bounds(const QString& fontLine, const QString& textLine)
{
    const QString font = fontLine.isEmpty() ? u"/font {}"_s : fontLine;
    if (font != state_->FontLine) {
        state_->FontLine = font;
        ExecuteDrawingCommand(
            state_->Render, state_->Environment, state_->Log, font, u"source"_s, 1, 1);
    }
    const SurfaceFont& surfaceFont = FindSurface(state_->Render.Surfaces, u"source"_s, 1)->Font;
    if (surfaceFont.Escapement != 0)
        return std::nullopt;
    // The words as the interpreter reads them: x, y, alignment, then the text after one blank.
    const QStringView inner = TrimBlanks(BraceArgument(SplitCommand(textLine).Arguments));
    WordReader words(inner);
    const double x = LeadingNumber(words.Next());
    const double y = LeadingNumber(words.Next());
    const QStringView alignment = words.Next();
    const qsizetype textStart = alignment.data() + alignment.size() + 1 - inner.data();
    if (textStart > inner.size())
        return std::nullopt;
    const QString text = inner.mid(textStart).toString();
    const QFontMetricsF metrics(surfaceFont.Font);
    const double width = metrics.horizontalAdvance(text);
    double left = x;
    if (SameWord(alignment, u"cj"))
        left = x - width / 2.0;
    else if (SameWord(alignment, u"rj"))
        left = x - width;
    return QRectF(left, y - metrics.ascent(), width, metrics.ascent() + metrics.descent());
}

} // namespace zentil
