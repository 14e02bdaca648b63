#pragma once

#include <QImage>
#include <QSize>

#include <array>

namespace zentil {

// One ratio a picture can be scaled by: the key the requested percentage is compared with (in
// hundredths, so 20 stands for 0.2) and the exact fraction P/Q the picture is scaled by. The keys
// are rounded decimals (1.66 for 5/3, 0.14 for 1/7); the scaling always uses the fraction.
struct ScaleRatio {
    int Key;
    int P;
    int Q;
};

// The fixed ratios, largest first.
inline constexpr std::array<ScaleRatio, 25> ScaleRatioTable { {
    { 200, 2, 1 },
    { 180, 9, 5 },
    { 175, 7, 4 },
    { 166, 5, 3 },
    { 160, 8, 5 },
    { 150, 3, 2 },
    { 140, 7, 5 },
    { 133, 4, 3 },
    { 125, 5, 4 },
    { 120, 6, 5 },
    { 116, 7, 6 },
    { 110, 11, 10 },
    { 100, 1, 1 },
    { 90, 9, 10 },
    { 80, 4, 5 },
    { 75, 3, 4 },
    { 67, 2, 3 },
    { 60, 3, 5 },
    { 50, 1, 2 },
    { 40, 2, 5 },
    { 33, 1, 3 },
    { 25, 1, 4 },
    { 20, 1, 5 },
    { 14, 1, 7 },
    { 10, 1, 10 },
} };

// The entry of the picture-as-it-is ratio 1.0.
inline constexpr int UnscaledRatioEntry = 12;

// The table entry a percentage selects: the smallest ratio at or above Percent / 100; 2.0 for
// anything above 2.0 and 0.1 for anything at or below 0.1.
int ScaleRatioEntry(int Percent);

// The size of a picture of the given size scaled by P/Q: each side round(P × side / Q), halves
// rounded to even.
QSize ScaledPictureSize(QSize source, const ScaleRatio& ratio);

// ScaleImage: resizes Source by the ratio Percent selects, averaging the source pixels each
// result pixel covers (box filter with exact integer weights; halves rounded to even; columns
// and rows beyond the picture's edge repeat the last one). The result is an RGB32 picture; at the
// ratio 1.0 it is Source itself. A null Source, or a result with no pixels, gives a null picture.
QImage ScaleImage(int Percent, const QImage& Source);

} // namespace zentil
