#pragma once

#include <QImage>

#include <cmath>

namespace zentil::test {

// Peak signal-to-noise ratio of two pictures of the same size, in dB (99 when equal).
inline double Psnr(const QImage& a, const QImage& b)
{
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    if (x.size() != y.size() || x.isNull())
        return 0;
    double sum = 0;
    for (int row = 0; row < x.height(); ++row) {
        const auto* p = reinterpret_cast<const QRgb*>(x.constScanLine(row));
        const auto* q = reinterpret_cast<const QRgb*>(y.constScanLine(row));
        for (int i = 0; i < x.width(); ++i) {
            const int d[] = { qRed(p[i]) - qRed(q[i]), qGreen(p[i]) - qGreen(q[i]),
                qBlue(p[i]) - qBlue(q[i]) };
            sum += d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
        }
    }
    const double mse = sum / (3.0 * x.width() * x.height());
    return mse == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}

} // namespace zentil::test
