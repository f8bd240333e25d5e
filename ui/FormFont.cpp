#include "ui/FormFont.h"

#include <QAbstractButton>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionFrame>

namespace {

constexpr qreal kDesignedPointSize = 8.0;
constexpr qreal kSmallestPointSize = 6.0;
// QLineEdit's own margin on each side of its text, inside the style's frame.
constexpr int kLineEditTextMargin = 2;

bool fits(const QFontMetrics& metrics, const QString& text, const QRect& room)
{
    return metrics.horizontalAdvance(text) <= room.width() && metrics.height() <= room.height();
}

bool lineEditFits(const QLineEdit* box)
{
    QStyleOptionFrame option;
    option.initFrom(box);
    option.lineWidth = box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, box);
    const QRect contents = box->style()
                               ->subElementRect(QStyle::SE_LineEditContents, &option, box)
                               .adjusted(kLineEditTextMargin, 0, -kLineEditTextMargin, 0);
    return fits(box->fontMetrics(), box->text(), contents);
}

bool buttonFits(const QAbstractButton* button)
{
    QStyleOptionButton option;
    option.initFrom(button);
    const int margin = button->style()->pixelMetric(QStyle::PM_ButtonMargin, &option, button);
    const QRect room = button->rect().adjusted(margin / 2, 0, -margin / 2, 0);
    return fits(button->fontMetrics(), button->text(), room);
}

bool labelFits(const QLabel* label)
{
    return fits(label->fontMetrics(), label->text(), label->contentsRect());
}

} // namespace

namespace FormFont {

bool textsFit(const QWidget* form)
{
    for (const QLineEdit* box : form->findChildren<QLineEdit*>()) {
        if (!lineEditFits(box))
            return false;
    }
    for (const QAbstractButton* button : form->findChildren<QAbstractButton*>()) {
        if (!buttonFits(button))
            return false;
    }
    for (const QLabel* label : form->findChildren<QLabel*>()) {
        if (!labelFits(label))
            return false;
    }
    return true;
}

void fit(QWidget* form)
{
    QFont font = form->font();
    font.setFamilies(
        {QStringLiteral("Liberation Sans"), QStringLiteral("Arial"), QStringLiteral("Helvetica")});
    font.setStyleHint(QFont::SansSerif);
    for (int halfPoints = int(2 * kDesignedPointSize); halfPoints >= int(2 * kSmallestPointSize);
         --halfPoints) {
        font.setPointSizeF(halfPoints / 2.0);
        form->setFont(font);
        if (textsFit(form))
            return;
    }
}

} // namespace FormFont
