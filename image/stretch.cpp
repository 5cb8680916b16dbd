#include "image/stretch.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <new>
#include <numeric>
#include <system_error>
#include <thread>

namespace tavrel {

namespace {

// The hot loops get an AVX2 build beside the baseline one; the loader picks per machine.
#if defined(__x86_64__) && defined(__has_attribute)
#if __has_attribute(target_clones)
#define TAVREL_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#endif
#endif
#ifndef TAVREL_VECTOR_CLONES
#define TAVREL_VECTOR_CLONES
#endif

// Below this much arithmetic a second thread costs more than it saves.
constexpr std::uint64_t kParallelWork = std::uint64_t{1} << 20;
constexpr unsigned kMaxThreads = 8;

// The exact sums of a target pixel are rounded with one multiply in double precision. The sums
// are integers below 2^53, so they are exact; the product is within 2^-43 of s / N, and a nudge of
// 2^-42 keeps exact halves and whole numbers on the right side while staying below the 1/(2N)
// that separates s / N + 0.5 from the next integer, for every N below 2^40.
constexpr std::uint64_t kMaxDoubleDivisor = std::uint64_t{1} << 40;
constexpr double kRoundingNudge = 0.5 + 1.0 / (std::uint64_t{1} << 42);

using Lanes = double __attribute__((vector_size(32)));
using IntLanes = std::int32_t __attribute__((vector_size(16)));
using ByteLanes = std::uint8_t __attribute__((vector_size(16)));

// Rounds sum / divisor to nearest (halves up) for divisors too large for the double rounding:
// one multiply by a reciprocal, corrected by at most one step.
class RoundingDivider {
public:
    explicit RoundingDivider(std::uint64_t divisor)
        : half_(divisor), doubled_(2 * divisor), reciprocal_(~std::uint64_t{0} / doubled_) {}
    std::uint32_t operator()(std::uint64_t sum) const {
        const std::uint64_t n = 2 * sum + half_;
        std::uint64_t q = static_cast<std::uint64_t>((static_cast<unsigned __int128>(n) * reciprocal_) >> 64);
        if (n - q * doubled_ >= doubled_) ++q;
        return static_cast<std::uint32_t>(q);
    }

private:
    std::uint64_t half_;
    std::uint64_t doubled_;
    std::uint64_t reciprocal_;
};

inline std::uint32_t blendChannel(std::uint32_t premultiplied, std::uint32_t below, std::uint32_t alpha) {
    return std::min<std::uint32_t>(255, premultiplied + (below * (255 - alpha) + 127) / 255);
}

// Writes one pixel of blue, green, red (and premultiplied alpha when blending).
inline void putPixel(std::uint8_t* at, const PixelRows& target, PixelWrite write, std::uint32_t b, std::uint32_t g,
                     std::uint32_t r, std::uint32_t a) {
    if (target.pixelBytes == 3) {
        at[0] = static_cast<std::uint8_t>(b);
        at[1] = static_cast<std::uint8_t>(g);
        at[2] = static_cast<std::uint8_t>(r);
        return;
    }
    Pixel p;
    if (write == PixelWrite::Copy) {
        p = (r << 16) | (g << 8) | b;
    } else {
        std::memcpy(&p, at, 4);
        p = (blendChannel(r, pixelRed(p), a) << 16) | (blendChannel(g, pixelGreen(p), a) << 8) |
            blendChannel(b, pixelBlue(p), a);
    }
    std::memcpy(at, &p, 4);
}

struct StretchJob {
    const PixelRows& target;
    const StretchSource& source;
    const AxisWeights& columns;
    const AxisWeights& rows;
    PixelWrite write;
    std::size_t rangeBytes;       // bytes of one fetched source row
    // (read by the templated row kernels, which the checker does not follow)
    // cppcheck-suppress unusedStructMember
    const double* columnWeights;  // spanLength weights a target pixel, as doubles
    // cppcheck-suppress unusedStructMember
    int spanLength;               // columns every target pixel reads, the longest span's
    // cppcheck-suppress unusedStructMember
    double reciprocal;            // 1 / (column unit * row unit)
};

struct RowBuffers {
    std::vector<std::uint8_t> scratch;
    std::vector<std::int32_t> sums;       // a row and the padding that zero-weighted columns read
    std::vector<std::uint64_t> wideSums;  // for sources too tall or too large for the fast sums
};

// Source rows are summed in groups, so the row of sums is read and written once per group rather
// than once per source row; converted rows each need their own scratch row.
constexpr int kRowGroup = 8;

template <int Count, typename Sum>
[[gnu::always_inline]] inline void sumGroup(Sum* __restrict out, const std::uint8_t* const* lines, const std::uint32_t* weights,
                                            std::size_t length, bool first) {
    const std::uint8_t* __restrict line[Count];
    Sum weight[Count];
    std::uint64_t groupWeight = 0;
    for (int j = 0; j < Count; ++j) {
        line[j] = lines[j];
        weight[j] = static_cast<Sum>(weights[j]);
        groupWeight += weights[j];
    }
    if (groupWeight <= 65535 / 255) {
        // The group's sums fit 16 bits: twice the lanes per instruction, widened once at the end.
        std::uint16_t narrow[Count];
        for (int j = 0; j < Count; ++j) narrow[j] = static_cast<std::uint16_t>(weights[j]);
        for (std::size_t n = 0; n < length; ++n) {
            std::uint16_t total = 0;
            for (int j = 0; j < Count; ++j) total = static_cast<std::uint16_t>(total + line[j][n] * narrow[j]);
            out[n] = first ? Sum{total} : static_cast<Sum>(out[n] + total);
        }
        return;
    }
    if (first) {
        for (std::size_t n = 0; n < length; ++n) {
            Sum total = 0;
            for (int j = 0; j < Count; ++j) total += line[j][n] * weight[j];
            out[n] = total;
        }
    } else {
        for (std::size_t n = 0; n < length; ++n) {
            Sum total = out[n];
            for (int j = 0; j < Count; ++j) total += line[j][n] * weight[j];
            out[n] = total;
        }
    }
}

// Vertical sums: the source rows a target row covers, weighted into one row of sums.
template <typename Sum>
[[gnu::always_inline]] inline void sumRows(const StretchJob& job, std::int32_t r, std::uint8_t* scratch, Sum* sums) {
    const AxisWeights& columns = job.columns;
    const AxisWeights& rows = job.rows;
    const std::uint32_t* rowWeights = rows.weights.data() + rows.weightStart[r];
    const std::int32_t count = rows.sourceCount[r];
    for (std::int32_t k = 0; k < count; k += kRowGroup) {
        const int group = static_cast<int>(std::min<std::int32_t>(kRowGroup, count - k));
        const std::uint8_t* lines[kRowGroup];
        for (int j = 0; j < group; ++j) {
            lines[j] = job.source.row(rows.sourceFirst[r] + k + j, columns.sourceMin, columns.sourceEnd,
                                      scratch + static_cast<std::size_t>(j) * job.rangeBytes);
        }
        const std::uint32_t* weights = rowWeights + k;
        const bool first = k == 0;
        switch (group) {
            case 1: sumGroup<1>(sums, lines, weights, job.rangeBytes, first); break;
            case 2: sumGroup<2>(sums, lines, weights, job.rangeBytes, first); break;
            case 3: sumGroup<3>(sums, lines, weights, job.rangeBytes, first); break;
            case 4: sumGroup<4>(sums, lines, weights, job.rangeBytes, first); break;
            case 5: sumGroup<5>(sums, lines, weights, job.rangeBytes, first); break;
            case 6: sumGroup<6>(sums, lines, weights, job.rangeBytes, first); break;
            case 7: sumGroup<7>(sums, lines, weights, job.rangeBytes, first); break;
            default: sumGroup<8>(sums, lines, weights, job.rangeBytes, first); break;
        }
    }
}

// Horizontal sums of one row. Every target pixel reads the same number of columns (shorter
// spans padded with zero weights), so the loop's trip count never changes within a stretch and
// the counts of shrinking by up to 8 times unroll completely.
template <int Channels, int Span>
[[gnu::always_inline]] inline void sumColumns(const StretchJob& job, const std::int32_t* sums, std::uint8_t* out) {
    const AxisWeights& columns = job.columns;
    const int span = Span != 0 ? Span : job.spanLength;
    const double* weights = job.columnWeights;
    const int pixelBytes = job.target.pixelBytes;
    for (std::int32_t t = 0; t < columns.targetCount; ++t, out += pixelBytes, weights += span) {
        const std::int32_t* column = sums + static_cast<std::size_t>(columns.sourceFirst[t] - columns.sourceMin) * Channels;
        // Two running totals halve the chain of dependent additions; the sums are exact either way.
        Lanes even = {0, 0, 0, 0};
        Lanes odd = {0, 0, 0, 0};
        int m = 0;
        for (; m + 1 < span; m += 2, column += std::ptrdiff_t{2} * Channels) {
            IntLanes lanes[2];
            std::memcpy(&lanes[0], column, sizeof lanes[0]);
            std::memcpy(&lanes[1], column + Channels, sizeof lanes[1]);
            even += weights[m] * __builtin_convertvector(lanes[0], Lanes);
            odd += weights[m + 1] * __builtin_convertvector(lanes[1], Lanes);
        }
        if (m < span) {
            IntLanes lanes;
            std::memcpy(&lanes, column, sizeof lanes);
            even += weights[m] * __builtin_convertvector(lanes, Lanes);
        }
        const Lanes total = even + odd;
        const IntLanes rounded = __builtin_convertvector(total * job.reciprocal + kRoundingNudge, IntLanes);
        if (job.write == PixelWrite::Copy) {
            // Every lane holds 0..255, so its low byte is the channel. Lane 3 of a 3-channel
            // source is not ours: masked off, or overwritten by the next pixel.
            const ByteLanes bytes = reinterpret_cast<const ByteLanes&>(rounded);
            const ByteLanes packed = __builtin_shufflevector(bytes, bytes, 0, 4, 8, 12, 0, 4, 8, 12, 0, 4, 8, 12, 0, 4, 8, 12);
            std::uint32_t word;
            std::memcpy(&word, &packed, sizeof word);
            if (pixelBytes == 4) {
                word &= 0x00FFFFFFu;
                std::memcpy(out, &word, 4);
            } else if (t + 1 < columns.targetCount) {
                std::memcpy(out, &word, 4);
            } else {
                std::memcpy(out, &word, 3);  // the row's last pixel: the next byte is another row's
            }
        } else {
            putPixel(out, job.target, job.write, static_cast<std::uint32_t>(rounded[0]), static_cast<std::uint32_t>(rounded[1]),
                     static_cast<std::uint32_t>(rounded[2]), static_cast<std::uint32_t>(rounded[3]));
        }
    }
}

template <int Channels>
[[gnu::always_inline]] inline void sumColumnsOfSpan(const StretchJob& job, const std::int32_t* sums, std::uint8_t* out) {
    switch (job.spanLength) {
        case 1: sumColumns<Channels, 1>(job, sums, out); break;
        case 2: sumColumns<Channels, 2>(job, sums, out); break;
        case 3: sumColumns<Channels, 3>(job, sums, out); break;
        case 4: sumColumns<Channels, 4>(job, sums, out); break;
        case 5: sumColumns<Channels, 5>(job, sums, out); break;
        case 6: sumColumns<Channels, 6>(job, sums, out); break;
        case 7: sumColumns<Channels, 7>(job, sums, out); break;
        case 8: sumColumns<Channels, 8>(job, sums, out); break;
        case 9: sumColumns<Channels, 9>(job, sums, out); break;
        default: sumColumns<Channels, 0>(job, sums, out); break;
    }
}

// The common case: vertical sums fit in 31 bits and the horizontal ones are summed and rounded
// four channels at a time in double precision.
TAVREL_VECTOR_CLONES
void stretchRowsHalftone(const StretchJob& job, std::int32_t rowFirst, std::int32_t rowEnd, std::uint8_t* scratch,
                         std::int32_t* sums) {
    for (std::int32_t r = rowFirst; r < rowEnd; ++r) {
        sumRows(job, r, scratch, sums);
        std::uint8_t* out = job.target.first + (job.rows.targetFirst + r) * job.target.rowStep +
                            static_cast<std::ptrdiff_t>(job.columns.targetFirst) * job.target.pixelBytes;
        if (job.source.channels() == 3) {
            sumColumnsOfSpan<3>(job, sums, out);
        } else {
            sumColumnsOfSpan<4>(job, sums, out);
        }
    }
}

// Everything else (sources millions of pixels tall): 64-bit sums and an integer rounding division.
void stretchRowsHalftoneWide(const StretchJob& job, std::int32_t rowFirst, std::int32_t rowEnd, std::uint8_t* scratch,
                             std::uint64_t* sums) {
    const AxisWeights& columns = job.columns;
    const int channels = job.source.channels();
    const RoundingDivider divide(std::uint64_t{columns.unit} * job.rows.unit);
    for (std::int32_t r = rowFirst; r < rowEnd; ++r) {
        sumRows(job, r, scratch, sums);
        std::uint8_t* out = job.target.first + (job.rows.targetFirst + r) * job.target.rowStep +
                            static_cast<std::ptrdiff_t>(columns.targetFirst) * job.target.pixelBytes;
        for (std::int32_t t = 0; t < columns.targetCount; ++t, out += job.target.pixelBytes) {
            const std::uint64_t* column = sums + static_cast<std::size_t>(columns.sourceFirst[t] - columns.sourceMin) * channels;
            const std::uint32_t* weights = columns.weights.data() + columns.weightStart[t];
            std::uint64_t total[4] = {0, 0, 0, 0};
            for (std::int32_t m = 0; m < columns.sourceCount[t]; ++m, column += channels) {
                for (int c = 0; c < channels; ++c) total[c] += static_cast<std::uint64_t>(weights[m]) * column[c];
            }
            putPixel(out, job.target, job.write, divide(total[0]), divide(total[1]), divide(total[2]), divide(total[3]));
        }
    }
}

void stretchRowsNearest(const StretchJob& job, std::int32_t rowFirst, std::int32_t rowEnd, std::uint8_t* scratch) {
    const AxisWeights& columns = job.columns;
    const AxisWeights& rows = job.rows;
    const int channels = job.source.channels();
    for (std::int32_t r = rowFirst; r < rowEnd; ++r) {
        const std::uint8_t* line = job.source.row(rows.sourceFirst[r], columns.sourceMin, columns.sourceEnd, scratch);
        std::uint8_t* out = job.target.first + (rows.targetFirst + r) * job.target.rowStep +
                            static_cast<std::ptrdiff_t>(columns.targetFirst) * job.target.pixelBytes;
        for (std::int32_t t = 0; t < columns.targetCount; ++t, out += job.target.pixelBytes) {
            const std::uint8_t* p = line + static_cast<std::size_t>(columns.sourceFirst[t] - columns.sourceMin) * channels;
            putPixel(out, job.target, job.write, p[0], p[1], p[2], channels == 4 ? p[3] : 255);
        }
    }
}

}  // namespace

bool buildAxisWeights(AxisWeights& axis, std::int32_t sourceSize, std::int64_t position, std::int64_t size,
                      std::int32_t targetLimit, StretchMode mode) {
    axis = AxisWeights{};
    // Spans beyond 2^31 cannot come from 32-bit callers and would overflow the interval arithmetic.
    constexpr std::int64_t kMaxSpan = std::int64_t{1} << 31;
    if (sourceSize <= 0 || size == 0 || targetLimit <= 0 || size > kMaxSpan || size < -kMaxSpan) return true;
    const bool mirrored = size < 0;
    const std::int64_t span = mirrored ? -size : size;
    const std::int64_t left = mirrored ? position + size : position;
    const std::int64_t clipFirst = std::max<std::int64_t>(left, 0);
    const std::int64_t clipEnd = std::min<std::int64_t>(left + span, targetLimit);
    if (clipFirst >= clipEnd) return true;

    const auto count = static_cast<std::size_t>(clipEnd - clipFirst);
    const std::int64_t source = sourceSize;
    const std::int64_t common = std::gcd(source, span);
    const std::int64_t unit = source / common;        // a target pixel's length
    const std::int64_t sourceLength = span / common;  // a source pixel's length, same units
    try {
        // Shrinking, each source pixel falls in at most two target pixels; enlarging, each
        // target pixel in at most two source pixels.
        const std::uint64_t expected =
            mode == StretchMode::Halftone
                ? 2 * std::min<std::uint64_t>(count * static_cast<std::uint64_t>(unit / sourceLength + 2),
                                              static_cast<std::uint64_t>(source) + count)
                : count;
        if (!memoryAvailableFor(expected * sizeof(std::uint32_t) + count * 12)) return false;
        axis.weights.reserve(expected);
        axis.sourceFirst.resize(count);
        axis.sourceCount.resize(count);
        axis.weightStart.resize(count);
        std::int32_t sourceMin = sourceSize;
        std::int32_t sourceEnd = 0;
        for (std::size_t t = 0; t < count; ++t) {
            const std::int64_t offset = clipFirst + static_cast<std::int64_t>(t) - left;
            const std::int64_t i = mirrored ? span - 1 - offset : offset;
            std::int64_t first = 0;
            std::int64_t end = 0;
            axis.weightStart[t] = static_cast<std::uint32_t>(axis.weights.size());
            if (mode == StretchMode::Halftone) {
                const std::int64_t low = i * unit;
                const std::int64_t high = low + unit;
                first = low / sourceLength;
                end = std::min((high + sourceLength - 1) / sourceLength, source);
                for (std::int64_t j = first; j < end; ++j) {
                    const std::int64_t overlap = std::min((j + 1) * sourceLength, high) - std::max(j * sourceLength, low);
                    axis.weights.push_back(static_cast<std::uint32_t>(overlap));
                }
            } else {
                // The source pixel under the target pixel's centre, (i + 0.5) * S / D.
                first = static_cast<std::int64_t>((2 * static_cast<std::uint64_t>(i) + 1) * static_cast<std::uint64_t>(source) /
                                                  (2 * static_cast<std::uint64_t>(span)));
                end = first + 1;
                axis.weights.push_back(1);
            }
            axis.sourceFirst[t] = static_cast<std::int32_t>(first);
            axis.sourceCount[t] = static_cast<std::int32_t>(end - first);
            sourceMin = std::min(sourceMin, static_cast<std::int32_t>(first));
            sourceEnd = std::max(sourceEnd, static_cast<std::int32_t>(end));
        }
        axis.unit = mode == StretchMode::Halftone ? static_cast<std::uint32_t>(unit) : 1;  // unit <= S < 2^31
        axis.targetFirst = static_cast<std::int32_t>(clipFirst);
        axis.targetCount = static_cast<std::int32_t>(count);
        axis.sourceMin = sourceMin;
        axis.sourceEnd = sourceEnd;
    } catch (const std::bad_alloc&) {
        axis = AxisWeights{};
        return false;
    }
    return true;
}

namespace {

// Everything a stretch settles before its first row: the two axes, the kernel that fits them and
// the buffers each thread works in. Made before any work starts, so the workers never allocate.
struct StretchPlan {
    AxisWeights columns;
    AxisWeights rows;
    std::size_t rangeBytes = 0;  // bytes of one fetched source row
    int spanLength = 0;
    bool fastSums = true;
    std::vector<double> columnWeights;
    std::vector<RowBuffers> buffers;  // one a thread
};

enum class PlanOutcome { Draw, NothingToDraw, Failed };

// Checks the request, builds both axes and the buffers of up to `maxThreads` threads (fewer
// when the stretch is too small to share).
PlanOutcome planStretch(StretchPlan& plan, const PixelRows& target, std::int32_t sourceWidth, std::int32_t sourceHeight,
                        int channels, std::int64_t x, std::int64_t y, std::int64_t width, std::int64_t height,
                        StretchMode mode, PixelWrite write, unsigned maxThreads) {
    if (channels != 3 && channels != 4) return PlanOutcome::Failed;
    if (write == PixelWrite::BlendPremultiplied && (channels != 4 || target.pixelBytes != 4)) return PlanOutcome::Failed;
    if (target.pixelBytes != 3 && target.pixelBytes != 4) return PlanOutcome::Failed;
    if (sourceWidth <= 0 || sourceHeight <= 0) return PlanOutcome::Failed;
    if (!target.first || target.width <= 0 || target.height <= 0) return PlanOutcome::NothingToDraw;

    AxisWeights& columns = plan.columns;
    AxisWeights& rows = plan.rows;
    if (!buildAxisWeights(columns, sourceWidth, x, width, target.width, mode)) return PlanOutcome::Failed;
    if (!buildAxisWeights(rows, sourceHeight, y, height, target.height, mode)) return PlanOutcome::Failed;
    if (columns.targetCount == 0 || rows.targetCount == 0) return PlanOutcome::NothingToDraw;

    const std::size_t rangeBytes = static_cast<std::size_t>(columns.sourceEnd - columns.sourceMin) * channels;
    const std::uint64_t divisor = std::uint64_t{columns.unit} * rows.unit;
    const bool fastSums = std::uint64_t{rows.unit} * 255 <= 0x7FFFFFFF && divisor < kMaxDoubleDivisor;
    const std::uint64_t work = mode == StretchMode::Halftone
                                   ? (rows.weights.size() * rangeBytes + columns.weights.size() * channels * rows.targetCount)
                                   : (std::uint64_t{static_cast<std::uint32_t>(rows.targetCount)} *
                                      static_cast<std::uint32_t>(columns.targetCount));
    unsigned threads = 1;
    if (work >= kParallelWork) {
        threads = std::clamp(std::thread::hardware_concurrency(), 1u, std::min(maxThreads, kMaxThreads));
        threads = std::min(threads, static_cast<unsigned>(rows.targetCount));
    }

    int spanLength = 0;
    for (std::int32_t t = 0; t < columns.targetCount; ++t) spanLength = std::max(spanLength, columns.sourceCount[t]);
    const std::size_t paddedBytes = rangeBytes + static_cast<std::size_t>(spanLength + 1) * channels;
    const std::uint64_t columnWeightCount = std::uint64_t{static_cast<std::uint32_t>(columns.targetCount)} * spanLength;
    if (!memoryAvailableFor(std::uint64_t{threads} * paddedBytes * (kRowGroup + 8) + columnWeightCount * 8)) {
        return PlanOutcome::Failed;
    }
    try {
        plan.buffers.resize(threads);
        for (RowBuffers& b : plan.buffers) {
            b.scratch.resize(mode == StretchMode::Halftone ? rangeBytes * kRowGroup : rangeBytes);
            if (mode == StretchMode::Halftone) (fastSums ? b.sums.resize(paddedBytes) : b.wideSums.resize(rangeBytes));
        }
        if (mode == StretchMode::Halftone && fastSums) {
            plan.columnWeights.assign(static_cast<std::size_t>(columnWeightCount), 0.0);
            for (std::int32_t t = 0; t < columns.targetCount; ++t) {
                std::copy_n(columns.weights.begin() + columns.weightStart[t], columns.sourceCount[t],
                            plan.columnWeights.begin() + static_cast<std::ptrdiff_t>(t) * spanLength);
            }
        }
    } catch (const std::bad_alloc&) {
        return PlanOutcome::Failed;
    }
    plan.rangeBytes = rangeBytes;
    plan.spanLength = spanLength;
    plan.fastSums = fastSums;
    return PlanOutcome::Draw;
}

// The job refers into the plan, the target and the source: it is made for a run and never kept
// beyond them.
StretchJob jobOf(const StretchPlan& plan, const PixelRows& target, const StretchSource& source, PixelWrite write) {
    // cppcheck-suppress returnDanglingLifetime ; the job never outlives what it refers to
    return StretchJob{target,
                      source,
                      plan.columns,
                      plan.rows,
                      write,
                      plan.rangeBytes,
                      plan.columnWeights.data(),
                      plan.spanLength,
                      1.0 / static_cast<double>(std::uint64_t{plan.columns.unit} * plan.rows.unit)};
}

// Target rows [first, end) of the clip, with the kernel the plan chose.
void runRows(const StretchJob& job, const StretchPlan& plan, StretchMode mode, std::int32_t first, std::int32_t end,
             RowBuffers& b) {
    if (mode == StretchMode::Nearest) {
        stretchRowsNearest(job, first, end, b.scratch.data());
    } else if (plan.fastSums) {
        stretchRowsHalftone(job, first, end, b.scratch.data(), b.sums.data());
    } else {
        stretchRowsHalftoneWide(job, first, end, b.scratch.data(), b.wideSums.data());
    }
}

}  // namespace

bool stretchPicture(const PixelRows& target, const StretchSource& source, std::int64_t x, std::int64_t y,
                    std::int64_t width, std::int64_t height, StretchMode mode, PixelWrite write) {
    StretchPlan plan;
    switch (planStretch(plan, target, source.width(), source.height(), source.channels(), x, y, width, height, mode,
                        write, kMaxThreads)) {
        case PlanOutcome::Failed: return false;
        case PlanOutcome::NothingToDraw: return true;
        case PlanOutcome::Draw: break;
    }
    const StretchJob job = jobOf(plan, target, source, write);
    const std::int32_t targetRows = plan.rows.targetCount;
    const auto threads = static_cast<std::int32_t>(plan.buffers.size());
    // Rows are handed out in small bands as threads ask for them, so a core that is busy with
    // something else holds up only the band it is working on.
    const std::int32_t band = std::max<std::int32_t>(1, targetRows / (threads * 16));
    std::atomic<std::int32_t> nextRow{0};
    const auto takeBands = [&job, &plan, mode, &nextRow, band, targetRows](RowBuffers& b) {
        for (std::int32_t first = nextRow.fetch_add(band); first < targetRows; first = nextRow.fetch_add(band)) {
            runRows(job, plan, mode, first, std::min(first + band, targetRows), b);
        }
    };

    std::vector<std::thread> workers;
    try {
        workers.reserve(plan.buffers.size() - 1);
        for (std::size_t part = 1; part < plan.buffers.size(); ++part) workers.emplace_back(takeBands, std::ref(plan.buffers[part]));
    } catch (const std::exception&) {
        // No thread to be had (std::system_error) or no memory for one: the others share the rows.
    }
    takeBands(plan.buffers[0]);
    for (std::thread& worker : workers) worker.join();
    return true;
}

// The rows a streamed stretch still needs, in a ring: source row y lives in slot y % size.
class StreamedStretch::RingSource final : public StretchSource {
public:
    RingSource(std::int32_t width, std::int32_t height, int channels, std::size_t slots)
        : StretchSource(width, height, channels), rowBytes_(static_cast<std::size_t>(width) * channels), slots_(slots) {
        rows_.resize(rowBytes_ * slots_);
    }
    std::uint8_t* slot(std::int32_t y) { return rows_.data() + static_cast<std::size_t>(y) % slots_ * rowBytes_; }
    const std::uint8_t* row(std::int32_t y, std::int32_t xFirst, std::int32_t, std::uint8_t*) const override {
        return rows_.data() + static_cast<std::size_t>(y) % slots_ * rowBytes_ + static_cast<std::size_t>(xFirst) * channels();
    }

private:
    std::size_t rowBytes_;
    std::size_t slots_;
    std::vector<std::uint8_t> rows_;
};

struct StreamedStretch::State {
    StretchPlan plan;
    PixelRows target;
    StretchMode mode = StretchMode::Halftone;
    std::unique_ptr<RingSource> source;
    std::int32_t nextTargetRow = 0;  // the first target row not yet written
};

StreamedStretch::StreamedStretch() = default;
StreamedStretch::~StreamedStretch() = default;

bool StreamedStretch::begin(const PixelRows& target, std::int32_t sourceWidth, std::int32_t sourceHeight, int channels,
                            std::int64_t x, std::int64_t y, std::int64_t width, std::int64_t height, StretchMode mode) {
    state_.reset();
    if (height < 0) return false;  // mirrored rows would be needed last row first
    try {
        auto state = std::make_unique<State>();
        const PlanOutcome outcome = planStretch(state->plan, target, sourceWidth, sourceHeight, channels, x, y, width,
                                                height, mode, PixelWrite::Copy, 1);
        if (outcome == PlanOutcome::Failed) return false;
        // Nothing inside the target: rows are taken and dropped in a one-row ring.
        std::int32_t slots = 1;
        if (outcome == PlanOutcome::Draw) {
            const AxisWeights& rows = state->plan.rows;
            slots = *std::max_element(rows.sourceCount.begin(), rows.sourceCount.end());
        } else {
            state->plan.rows = AxisWeights{};
        }
        const std::uint64_t ringBytes = std::uint64_t{static_cast<std::uint32_t>(sourceWidth)} * channels * slots;
        if (!memoryAvailableFor(ringBytes)) return false;
        state->source = std::make_unique<RingSource>(sourceWidth, sourceHeight, channels, static_cast<std::size_t>(slots));
        state->target = target;
        state->mode = mode;
        state_ = std::move(state);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

std::uint8_t* StreamedStretch::rowBuffer(std::int32_t y) {
    if (!state_ || y < 0 || y >= state_->source->height()) return nullptr;
    return state_->source->slot(y);
}

void StreamedStretch::rowDone(std::int32_t y) {
    if (!state_) return;
    State& s = *state_;
    const AxisWeights& rows = s.plan.rows;
    std::int32_t end = s.nextTargetRow;
    while (end < rows.targetCount && rows.sourceFirst[end] + rows.sourceCount[end] - 1 <= y) ++end;
    if (end == s.nextTargetRow) return;
    runRows(jobOf(s.plan, s.target, *s.source, PixelWrite::Copy), s.plan, s.mode, s.nextTargetRow, end, s.plan.buffers[0]);
    s.nextTargetRow = end;
}

bool StreamedStretch::finished() const { return state_ && state_->nextTargetRow == state_->plan.rows.targetCount; }

}  // namespace tavrel
