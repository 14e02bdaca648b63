#include "render/ImageScale.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zentil {

namespace {

// The source columns (or rows) each result position reads, with their weights: the length of
// the overlap with the result pixel, in 1/P of a source pixel, so the weights of one position
// sum to Q. Position d reads the Width neighbours First[d], First[d] + 1, ...; tap k weighs
// Weight[d × Width + k], and taps a position does not need weigh 0.
struct AxisPlan {
    int Width = 0;
    std::vector<int> First;
    std::vector<uint16_t> Weight;
};

// Result pixel d covers source positions d × Q / P .. (d + 1) × Q / P; counted in 1/P of a
// source pixel that is d × Q .. (d + 1) × Q, and source pixel s is s × P .. (s + 1) × P. Positions
// beyond the picture read its last column or row, so their weight is added to that one.
AxisPlan PlanAxis(int sourceLength, int targetLength, int p, int q)
{
    // Position d reads source positions d × Q / P (rounded down) up to the last one it overlaps,
    // or up to the picture's last one when it reaches beyond it.
    const auto firstOf = [p, q](int d) { return int64_t(d) * q / p; };
    const auto lastOf = [p, q, sourceLength](int d) {
        return std::min<int64_t>((int64_t(d + 1) * q - 1) / p, sourceLength - 1);
    };
    AxisPlan plan;
    plan.First.resize(size_t(targetLength));
    for (int d = 0; d < targetLength; ++d) {
        plan.First[size_t(d)] = static_cast<int>(firstOf(d));
        plan.Width = std::max(plan.Width, static_cast<int>(lastOf(d) - firstOf(d) + 1));
    }
    plan.Weight.assign(size_t(targetLength) * size_t(plan.Width), 0);
    for (int d = 0; d < targetLength; ++d) {
        uint16_t* weight = plan.Weight.data() + size_t(d) * size_t(plan.Width);
        const int64_t lo = int64_t(d) * q;
        const int64_t hi = lo + q;
        for (int64_t s = firstOf(d); s * p < hi; ++s) {
            const auto overlap = std::min(hi, (s + 1) * p) - std::max(lo, s * p);
            const auto k = size_t(std::min<int64_t>(s, sourceLength - 1) - firstOf(d));
            weight[k] = static_cast<uint16_t>(weight[k] + overlap);
        }
    }
    return plan;
}

// Runs f with the plan width as a compile-time constant for the widths the table's ratios have
// (so the tap loops unroll), or 0 for "read it at run time".
template <typename F> void WithWidth(int width, F&& f)
{
    switch (width) {
    case 1:
        return f(std::integral_constant<int, 1> {});
    case 2:
        return f(std::integral_constant<int, 2> {});
    case 3:
        return f(std::integral_constant<int, 3> {});
    case 4:
        return f(std::integral_constant<int, 4> {});
    case 5:
        return f(std::integral_constant<int, 5> {});
    case 7:
        return f(std::integral_constant<int, 7> {});
    case 10:
        return f(std::integral_constant<int, 10> {});
    default:
        return f(std::integral_constant<int, 0> {});
    }
}

constexpr int kMostTaps = 16; // more than Q / P + 1 for every ratio of the table

// acc = the weighted sum of the source rows of result row e, for every byte of the row (the
// fourth byte of each pixel comes along; it keeps the loop simple and wide). The largest sum is
// 255 × Q, far inside 16 bits.
template <int Count>
void SumRows(const QImage& source, const AxisPlan& rows, int e, uint16_t* __restrict acc, size_t n)
{
    const int count = Count > 0 ? Count : std::min(rows.Width, kMostTaps);
    const uint16_t* weights = rows.Weight.data() + size_t(e) * size_t(rows.Width);
    const uint8_t* lines[kMostTaps];
    bool allOnes = true;
    for (int k = 0; k < count; ++k) {
        lines[k] = source.constScanLine(std::min(rows.First[size_t(e)] + k, source.height() - 1));
        allOnes = allOnes && weights[k] == 1;
    }
    size_t i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const auto widen = [&](int k, __m128i& low, __m128i& high) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(lines[k] + i));
        low = _mm_unpacklo_epi8(bytes, zero);
        high = _mm_unpackhi_epi8(bytes, zero);
    };
    if (allOnes) {
        for (; i + 16 <= n; i += 16) {
            __m128i low = zero;
            __m128i high = zero;
#pragma GCC unroll 16
            for (int k = 0; k < count; ++k) {
                __m128i l;
                __m128i h;
                widen(k, l, h);
                low = _mm_add_epi16(low, l);
                high = _mm_add_epi16(high, h);
            }
            _mm_storeu_si128(reinterpret_cast<__m128i*>(acc + i), low);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(acc + i + 8), high);
        }
    } else {
        __m128i weight[kMostTaps];
        for (int k = 0; k < count; ++k)
            weight[k] = _mm_set1_epi16(static_cast<short>(weights[k]));
        for (; i + 16 <= n; i += 16) {
            __m128i low = zero;
            __m128i high = zero;
#pragma GCC unroll 16
            for (int k = 0; k < count; ++k) {
                __m128i l;
                __m128i h;
                widen(k, l, h);
                low = _mm_add_epi16(low, _mm_mullo_epi16(l, weight[k]));
                high = _mm_add_epi16(high, _mm_mullo_epi16(h, weight[k]));
            }
            _mm_storeu_si128(reinterpret_cast<__m128i*>(acc + i), low);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(acc + i + 8), high);
        }
    }
#endif
    for (; i < n; ++i) {
        uint32_t sum = 0;
        for (int k = 0; k < count; ++k)
            sum += uint32_t(weights[k]) * lines[k][i];
        acc[i] = static_cast<uint16_t>(sum);
    }
}

// The column weights laid out for summing two neighbouring pixels at once: for each position,
// pairs of taps as eight 16-bit lanes (tap k four times, then tap k + 1 four times).
std::vector<uint16_t> PairedWeights(const AxisPlan& columns)
{
    const int pairs = (columns.Width + 1) / 2;
    std::vector<uint16_t> paired(columns.First.size() * size_t(pairs) * 8, 0);
    for (size_t d = 0; d < columns.First.size(); ++d)
        for (int k = 0; k < columns.Width; ++k)
            for (size_t lane = 0; lane < 4; ++lane)
                paired[(d * size_t(pairs) + size_t(k / 2)) * 8 + size_t(k % 2) * 4 + lane]
                    = columns.Weight[d * size_t(columns.Width) + size_t(k)];
    return paired;
}

// sums = the weighted columns of each result pixel, from the summed source rows (acc, which
// holds at least Width + 1 spare zero pixels after the row so that every tap may be read). No sum
// exceeds 255 × Q² < 2^16.
template <int Count>
void SumColumns(const uint16_t* acc, const AxisPlan& columns, const std::vector<uint16_t>& paired,
    uint16_t* __restrict sums, int width)
{
    const int count = Count > 0 ? Count : columns.Width;
#if defined(__SSE2__)
    // Two neighbouring pixels (eight 16-bit sums) at a time; the halves are added at the end.
    const int pairs = (count + 1) / 2;
    const uint16_t* w = paired.data();
    for (int d = 0; d < width; ++d) {
        const uint16_t* pixel = acc + size_t(columns.First[size_t(d)]) * 4;
        __m128i sum = _mm_setzero_si128();
#pragma GCC unroll 8
        for (int k = 0; k < pairs; ++k, w += 8) {
            const __m128i two = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixel + 8 * k));
            const __m128i weight = _mm_loadu_si128(reinterpret_cast<const __m128i*>(w));
            sum = _mm_add_epi16(sum, _mm_mullo_epi16(two, weight));
        }
        sum = _mm_add_epi16(sum, _mm_shuffle_epi32(sum, _MM_SHUFFLE(1, 0, 3, 2)));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(sums + size_t(d) * 4), sum);
    }
#else
    // A summed pixel's four 16-bit values read as one 64-bit number are summed at once: no
    // value carries into its neighbour.
    (void)paired;
    const uint16_t* weight = columns.Weight.data();
    for (int d = 0; d < width; ++d, weight += count) {
        uint64_t sum = 0;
        for (int k = 0; k < count; ++k) {
            uint64_t pixel = 0;
            std::memcpy(&pixel, acc + size_t(columns.First[size_t(d)] + k) * 4, sizeof pixel);
            sum += pixel * weight[k];
        }
        std::memcpy(sums + size_t(d) * 4, &sum, sizeof sum);
    }
#endif
}

// round(sum / divisor), halves to even, for sums up to 255 × divisor.
uint8_t RoundedQuotient(uint32_t sum, uint32_t divisor)
{
    const uint32_t quotient = sum / divisor;
    const uint32_t twiceRest = 2 * (sum - quotient * divisor);
    return static_cast<uint8_t>(
        quotient + (twiceRest > divisor || (twiceRest == divisor && (quotient & 1U))));
}

// out = round(sums / divisor) as bytes, halves to even. The bytes keep the order of the row's
// bytes, so they form the result's pixels; the fourth byte is set to 0xFF as RGB32 wants.
void DivideRow(const uint16_t* sums, uint32_t divisor, uint8_t* __restrict out, size_t n)
{
    size_t i = 0;
#if defined(__SSE2__)
    // The quotient as (sum × m) >> (16 + s) with m = 2^(16 + s) / divisor rounded up and
    // 2^s < divisor ≤ 2^(s + 1): m fits 16 bits, and the result is exact while
    // 255 × divisor² < 2^(16 + s), which holds for every divisor up to 128 (the table's largest
    // is 100).
    if (divisor >= 2 && divisor <= 128) {
        const int s = std::bit_width(divisor - 1) - 1;
        const auto m = static_cast<short>(((1U << (16 + s)) + divisor - 1) / divisor);
        const __m128i multiplier = _mm_set1_epi16(m);
        const __m128i d = _mm_set1_epi16(static_cast<short>(divisor));
        const __m128i one = _mm_set1_epi16(1);
        const __m128i shift = _mm_cvtsi32_si128(s);
        const auto divide = [&](const uint16_t* from) {
            const __m128i sum = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
            const __m128i quotient = _mm_srl_epi16(_mm_mulhi_epu16(sum, multiplier), shift);
            const __m128i twiceRest
                = _mm_slli_epi16(_mm_sub_epi16(sum, _mm_mullo_epi16(quotient, d)), 1);
            const __m128i oddAtHalf = _mm_and_si128(
                _mm_cmpeq_epi16(twiceRest, d), _mm_cmpeq_epi16(_mm_and_si128(quotient, one), one));
            const __m128i up = _mm_or_si128(_mm_cmpgt_epi16(twiceRest, d), oddAtHalf);
            return _mm_sub_epi16(quotient, up); // up is -1 where the quotient grows by one
        };
        for (; i + 16 <= n; i += 16) {
            const __m128i bytes = _mm_packus_epi16(divide(sums + i), divide(sums + i + 8));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), bytes);
        }
    }
#endif
    for (; i < n; ++i)
        out[i] = RoundedQuotient(sums[i], divisor);
    constexpr size_t alpha = std::endian::native == std::endian::little ? 3 : 0;
    for (i = alpha; i < n; i += 4)
        out[i] = 0xFF;
}

// The ratio routine for P/Q. The weights separate into a column and a row factor, so the rows
// are summed first and the columns of the summed row next; integer sums, hence the same result
// as summing every covered source pixel with weight column × row and dividing by Q².
QImage Resample(const QImage& picture, const ScaleRatio& ratio)
{
    const QSize size = ScaledPictureSize(picture.size(), ratio);
    if (size.isEmpty())
        return QImage();
    const QImage source = picture.format() == QImage::Format_RGB32
        ? picture
        : picture.convertToFormat(QImage::Format_RGB32);
    QImage target(size, QImage::Format_RGB32);
    if (source.isNull() || target.isNull())
        return QImage();
    const AxisPlan columns = PlanAxis(source.width(), size.width(), ratio.P, ratio.Q);
    const AxisPlan rows = PlanAxis(source.height(), size.height(), ratio.P, ratio.Q);
    const std::vector<uint16_t> paired = PairedWeights(columns);
    const auto divisor = static_cast<uint32_t>(ratio.Q * ratio.Q);
    const size_t rowBytes = size_t(source.width()) * 4;
    std::vector<uint16_t> acc(rowBytes + size_t(columns.Width + 1) * 4, 0);
    std::vector<uint16_t> sums(size_t(size.width()) * 4);
    for (int e = 0; e < size.height(); ++e) {
        WithWidth(rows.Width,
            [&](auto count) { SumRows<count()>(source, rows, e, acc.data(), rowBytes); });
        WithWidth(columns.Width, [&](auto count) {
            SumColumns<count()>(acc.data(), columns, paired, sums.data(), size.width());
        });
        DivideRow(sums.data(), divisor, target.scanLine(e), sums.size());
    }
    return target;
}

// round(numerator / denominator) for non-negative values, halves to even.
int64_t RoundHalfEven(int64_t numerator, int64_t denominator)
{
    const int64_t quotient = numerator / denominator;
    const int64_t twiceRest = 2 * (numerator % denominator);
    return quotient + (twiceRest > denominator || (twiceRest == denominator && (quotient & 1)));
}

} // namespace

int ScaleRatioEntry(int Percent)
{
    // The keys are exact hundredths and the percentage is a whole number, so comparing them is
    // comparing the differences rounded to two decimals.
    int chosen = 0;
    for (int entry = 0; entry < static_cast<int>(ScaleRatioTable.size()); ++entry) {
        if (ScaleRatioTable[size_t(entry)].Key >= Percent)
            chosen = entry;
    }
    return chosen;
}

QSize ScaledPictureSize(QSize source, const ScaleRatio& ratio)
{
    return QSize(static_cast<int>(RoundHalfEven(int64_t(source.width()) * ratio.P, ratio.Q)),
        static_cast<int>(RoundHalfEven(int64_t(source.height()) * ratio.P, ratio.Q)));
}

QImage ScaleImage(int Percent, const QImage& Source)
{
    if (Source.isNull())
        return QImage();
    const int entry = ScaleRatioEntry(Percent);
    if (entry == UnscaledRatioEntry)
        return Source;
    return Resample(Source, ScaleRatioTable[size_t(entry)]);
}

} // namespace zentil
