#include "pictures/PictureScaling.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace PictureScaling {

namespace {

// How much of each source pixel along one axis falls into each target pixel:
// target i takes weights[offset[i] ...] of the sources from first[i] on.
struct Spans
{
    std::vector<int> first;
    std::vector<int> count;
    std::vector<int> offset;
    std::vector<float> weights;
};

Spans spans(int from, int to)
{
    Spans result;
    const double scale = double(from) / to;
    for (int i = 0; i < to; ++i) {
        const double start = i * scale;
        const double end = std::min(double(from), (i + 1) * scale);
        result.first.push_back(int(start));
        result.offset.push_back(int(result.weights.size()));
        int count = 0;
        for (int source = int(start); source < end; ++source, ++count) {
            const double covered = std::min(end, source + 1.0) - std::max(start, double(source));
            result.weights.push_back(float(covered / scale));
        }
        result.count.push_back(count);
    }
    return result;
}

uchar clamped(float value)
{
    return uchar(std::clamp(value + 0.5f, 0.0f, 255.0f));
}

} // namespace

Picture fitted(const Picture& picture, int side)
{
    if (picture.isNull() || (picture.width <= side && picture.height <= side))
        return picture;
    const double ratio = std::min(double(side) / picture.width, double(side) / picture.height);
    const int width = std::max(1, int(std::lround(picture.width * ratio)));
    const int height = std::max(1, int(std::lround(picture.height * ratio)));
    const Spans columns = spans(picture.width, width);
    const Spans rows = spans(picture.height, height);
    const auto* source = reinterpret_cast<const uchar*>(picture.rgba.constData());

    // Row by row: each source row a target row needs is resampled across, into
    // colours premultiplied by alpha, and added in with its weight down. Only a
    // row's worth of memory, whatever the picture's size.
    Picture result{width, height, QByteArray(qsizetype(width) * height * 4, Qt::Uninitialized)};
    auto* out = reinterpret_cast<uchar*>(result.rgba.data());
    std::vector<float> sum(size_t(width) * 4);
    for (int y = 0; y < height; ++y) {
        std::fill(sum.begin(), sum.end(), 0.0f);
        const float* rowWeight = rows.weights.data() + rows.offset[y];
        for (int j = 0; j < rows.count[y]; ++j) {
            const uchar* row = source + qsizetype(rows.first[y] + j) * picture.width * 4;
            float* target = sum.data();
            for (int x = 0; x < width; ++x, target += 4) {
                const uchar* pixel = row + qsizetype(columns.first[x]) * 4;
                const float* weight = columns.weights.data() + columns.offset[x];
                for (int k = 0; k < columns.count[x]; ++k, pixel += 4) {
                    const float alpha = float(pixel[3]) * weight[k] * rowWeight[j];
                    target[0] += float(pixel[0]) * alpha;
                    target[1] += float(pixel[1]) * alpha;
                    target[2] += float(pixel[2]) * alpha;
                    target[3] += alpha;
                }
            }
        }
        uchar* target = out + qsizetype(y) * width * 4;
        for (int x = 0; x < width; ++x, target += 4) {
            const float* pixel = sum.data() + size_t(x) * 4;
            const float alpha = pixel[3];
            for (int c = 0; c < 3; ++c)
                target[c] = alpha > 0 ? clamped(pixel[c] / alpha) : 0;
            target[3] = clamped(alpha);
        }
    }
    return result;
}

} // namespace PictureScaling
