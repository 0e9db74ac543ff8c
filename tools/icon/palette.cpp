#include "palette.h"

#include <algorithm>
#include <map>

namespace icon {

const Palette& StandardPalette16() {
    static const Palette palette = {
        {0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
        {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
        {128, 128, 128}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
        {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255},
    };
    return palette;
}

Palette BuildPalette(const Image& image, std::size_t size) {
    std::map<Rgb, long> counts;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const std::uint8_t* p = image.At(x, y);
            if (p[3] >= kOpaqueFrom) ++counts[{p[0], p[1], p[2]}];
        }
    }
    using Entry = std::pair<Rgb, long>;
    std::vector<Entry> colours(counts.begin(), counts.end());
    Palette palette;
    if (colours.size() <= size) {
        for (const auto& [colour, count] : colours) palette.push_back(colour);
        return palette;
    }

    // Median cut: split the box of colours that spans most along one channel, at the
    // pixel-weighted median of that channel, until there are as many boxes as entries.
    struct Box {
        std::size_t begin, end;
        int channel = 0;
        int span = 0;
    };
    auto measure = [&colours](Box& box) {
        box.span = -1;
        for (int c = 0; c < 3; ++c) {
            int low = 255, high = 0;
            for (std::size_t i = box.begin; i < box.end; ++i) {
                low = std::min<int>(low, colours[i].first[c]);
                high = std::max<int>(high, colours[i].first[c]);
            }
            if (high - low > box.span) {
                box.span = high - low;
                box.channel = c;
            }
        }
    };
    std::vector<Box> boxes = {{0, colours.size()}};
    measure(boxes[0]);
    while (boxes.size() < size) {
        auto widest = std::max_element(boxes.begin(), boxes.end(),
                                       [](const Box& a, const Box& b) { return a.span < b.span; });
        if (widest->span <= 0) break;
        Box box = *widest;
        const int c = box.channel;
        std::sort(colours.begin() + box.begin, colours.begin() + box.end,
                  [c](const Entry& a, const Entry& b) { return a.first[c] < b.first[c]; });
        long total = 0;
        for (std::size_t i = box.begin; i < box.end; ++i) total += colours[i].second;
        std::size_t cut = box.begin + 1;
        for (long seen = colours[box.begin].second; cut < box.end - 1 && seen * 2 < total; ++cut) {
            seen += colours[cut].second;
        }
        Box low{box.begin, cut};
        Box high{cut, box.end};
        measure(low);
        measure(high);
        *widest = low;
        boxes.push_back(high);
    }
    for (const Box& box : boxes) {
        double sum[3] = {0, 0, 0};
        double weight = 0;
        for (std::size_t i = box.begin; i < box.end; ++i) {
            for (int c = 0; c < 3; ++c) sum[c] += colours[i].first[c] * double(colours[i].second);
            weight += colours[i].second;
        }
        Rgb mean;
        for (int c = 0; c < 3; ++c) mean[c] = static_cast<std::uint8_t>(sum[c] / weight + 0.5);
        palette.push_back(mean);
    }
    return palette;
}

std::size_t NearestColour(const Palette& palette, const std::uint8_t* rgb) {
    std::size_t best = 0;
    long best_distance = -1;
    for (std::size_t i = 0; i < palette.size(); ++i) {
        long distance = 0;
        for (int c = 0; c < 3; ++c) {
            const long d = static_cast<long>(palette[i][c]) - rgb[c];
            distance += d * d;
        }
        if (best_distance < 0 || distance < best_distance) {
            best_distance = distance;
            best = i;
        }
    }
    return best;
}

}  // namespace icon
