#include "editor/TextContrast.h"

#include <algorithm>
#include <cmath>

namespace {

double Linear(double channel)
{
    return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

QColor Mix(const QColor& from, const QColor& to, double share)
{
    const auto channel = [share](int a, int b) { return int(std::lround(a + (b - a) * share)); };
    return QColor(channel(from.red(), to.red()), channel(from.green(), to.green()), channel(from.blue(), to.blue()));
}

} // namespace

double RelativeLuminance(const QColor& color)
{
    const QColor rgb = color.toRgb();
    return 0.2126 * Linear(rgb.redF()) + 0.7152 * Linear(rgb.greenF()) + 0.0722 * Linear(rgb.blueF());
}

double ContrastRatio(const QColor& first, const QColor& second)
{
    const double a = RelativeLuminance(first);
    const double b = RelativeLuminance(second);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

QColor SecondaryTextColor(const QColor& text, const QColor& background)
{
    // Luminance need not grow steadily along the way for a coloured text, so every step is
    // tried rather than halving the interval.
    constexpr int Steps = 64;
    for (int step = Steps / 2; step < Steps; ++step) {
        const QColor mixed = Mix(background, text, double(step) / Steps);
        if (ContrastRatio(mixed, background) >= MinimumTextContrast)
            return mixed;
    }
    return text.toRgb();
}

QColor ReadableBackground(const QColor& background, const QColor& text)
{
    const QColor away = RelativeLuminance(text) > RelativeLuminance(background) ? Qt::black : Qt::white;
    constexpr int Steps = 64;
    for (int step = 0; step < Steps; ++step) {
        const QColor mixed = Mix(background, away, double(step) / Steps);
        if (ContrastRatio(text, mixed) >= MinimumTextContrast)
            return mixed;
    }
    return away;
}
