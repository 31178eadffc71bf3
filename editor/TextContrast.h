#pragma once

#include <QColor>

// How readable text is on its background, as accessibility guidelines (WCAG 2) reckon it.

// The relative luminance of an opaque colour: 0 for black, 1 for white.
double RelativeLuminance(const QColor& color);

// The contrast ratio of two opaque colours, from 1 (the same) to 21 (black on white).
double ContrastRatio(const QColor& first, const QColor& second);

// The ratio that guidelines ask of ordinary text.
inline constexpr double MinimumTextContrast = 4.5;

// A colour for text that is to read as secondary beside text on background: half way from
// background to text, or as much nearer to text as it takes to reach MinimumTextContrast.
// text itself when even that is short of it.
QColor SecondaryTextColor(const QColor& text, const QColor& background);

// background, made darker (for a light text) or lighter (for a dark one) as far as it takes
// for text on it to reach MinimumTextContrast: a selection highlight that the theme made too
// faint for its own text.
QColor ReadableBackground(const QColor& background, const QColor& text);
