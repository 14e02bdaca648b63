#pragma once

#include "base/DebugLog.h"
#include "platform/MonotonicClock.h"
#include "render/DrawingCommands.h"
#include "render/RenderState.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QRect>
#include <QStringList>

// A fresh drawing side with resources taken from the test fixtures.
struct RenderFixture {
    zentil::MonotonicClock clock;
    zentil::DebugLog log { clock, false };
    zentil::RenderState r;
    zentil::DrawingEnvironment env;
    QStringList missing;

    RenderFixture()
    {
        zentil::PrepareRenderState(r, log);
        env.ResolveResource = [](const QString& name) {
            const QDir dir(QStringLiteral(ZENTIL_FIXTURES_DIR "/render"));
            for (const QString& entry : dir.entryList(QDir::Files)) {
                if (entry.compare(name, Qt::CaseInsensitive) == 0)
                    return dir.filePath(entry);
            }
            return QString();
        };
        env.ResourceMissing = [this](const QString& name) { missing.append(name); };
    }

    void Run(const QString& line, const QString& layer = QStringLiteral("source"))
    {
        zentil::InitializeGraphics(r.Graphics, log);
        zentil::ExecuteDrawingCommand(r, env, log, line, layer, 1, 1);
    }

    const QImage& Source() const { return r.Surfaces.Source.Image; }
    const QImage& Background() const { return r.Surfaces.Background.Image; }
};

inline QRgb Pixel(const QImage& image, int x, int y)
{
    return image.pixel(x, y) & 0xFFFFFFU;
}

// The bounding box of the pixels for which the predicate holds.
template <typename Predicate> QRect BoundingBox(const QImage& image, Predicate keep)
{
    int left = image.width(), top = image.height(), right = -1, bottom = -1;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (keep(image.pixel(x, y) & 0xFFFFFFU)) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}
