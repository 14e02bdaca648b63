#pragma once

#include <QRectF>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace zentil {

// Measures /text statements as the player draws them, with the show's own fonts.
class TextMeasure {
public:
    // fontFiles: TrueType files of the show, usable by their face names while this lives.
    explicit TextMeasure(const QStringList& fontFiles);
    ~TextMeasure();
    TextMeasure(const TextMeasure&) = delete;
    TextMeasure& operator=(const TextMeasure&) = delete;

    // The box the text covers in the 800×600 space after the /font statement fontLine ("" for
    // the default font); none when it cannot be told (turned text).
    std::optional<QRectF> Bounds(const QString& fontLine, const QString& textLine);

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace zentil
