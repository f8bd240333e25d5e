#include "ui/BoxLook.h"

#include <QColor>
#include <QLineEdit>
#include <QPalette>

#include <algorithm>
#include <cmath>

namespace BoxLook {

namespace {

double luminance(const QColor& colour)
{
    const auto channel = [](double value) {
        return value <= 0.03928 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF()) +
           0.0722 * channel(colour.blueF());
}

// The WCAG contrast ratio of two colours' relative luminances, from 1 to 21.
double contrast(const QColor& first, const QColor& second)
{
    const auto [darker, lighter] = std::minmax({luminance(first), luminance(second)});
    return (lighter + 0.05) / (darker + 0.05);
}

QColor mixed(const QColor& from, const QColor& to, double share)
{
    return QColor::fromRgbF(float(from.redF() + (to.redF() - from.redF()) * share),
                            float(from.greenF() + (to.greenF() - from.greenF()) * share),
                            float(from.blueF() + (to.blueF() - from.blueF()) * share));
}

// A little above 4.5:1, so that rounding to 8-bit colours cannot undercut it.
constexpr double kAimedContrast = 4.5 + 0.2;
// How much of the highlight colour tints a box that a drop would fill.
constexpr double kDropTint = 0.35;

// From the full text colour towards the background, as far as stays readable.
QColor readableGrey(const QColor& text, const QColor& background)
{
    QColor greyed = text;
    for (int percent = 5; percent < 100; percent += 5) {
        const QColor candidate = mixed(text, background, percent / 100.0);
        if (contrast(candidate, background) < kAimedContrast)
            break;
        greyed = candidate;
    }
    return greyed;
}

void setItalic(QLineEdit* box, bool italic)
{
    QFont font = box->font();
    font.setItalic(italic);
    box->setFont(font);
}

} // namespace

void applyToPath(QLineEdit* box, const QPalette& palette, bool showsPlaceholder, bool dropTarget)
{
    QColor background = palette.color(QPalette::Disabled, QPalette::Base);
    if (dropTarget)
        background =
            mixed(background, palette.color(QPalette::Active, QPalette::Highlight), kDropTint);
    QPalette boxPalette = palette;
    boxPalette.setColor(QPalette::Disabled, QPalette::Base, background);
    boxPalette.setColor(QPalette::Disabled, QPalette::Text,
                        readableGrey(palette.color(QPalette::Active, QPalette::Text), background));
    box->setPalette(boxPalette);
    setItalic(box, showsPlaceholder);
}

void applyToName(QLineEdit* box, const QPalette& palette, bool showsPlaceholder)
{
    QPalette boxPalette = palette;
    if (showsPlaceholder) {
        for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
            boxPalette.setColor(group, QPalette::Text,
                                readableGrey(palette.color(group, QPalette::Text),
                                             palette.color(group, QPalette::Base)));
        }
    }
    box->setPalette(boxPalette);
    setItalic(box, showsPlaceholder);
}

} // namespace BoxLook
