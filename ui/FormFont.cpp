#include "ui/FormFont.h"

#include <QAbstractButton>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionFrame>

#include <algorithm>

namespace {

constexpr qreal kDesignedPointSize = 8.0;
constexpr qreal kSmallestPointSize = 6.0;
// QLineEdit's own margin on each side of its text, inside the style's frame.
constexpr int kLineEditTextMargin = 2;

bool textFits(const QWidget* widget)
{
    QString text;
    QRect room;
    if (const auto* box = qobject_cast<const QLineEdit*>(widget)) {
        QStyleOptionFrame option;
        option.initFrom(box);
        option.lineWidth = box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, box);
        text = box->text();
        room = box->style()
                   ->subElementRect(QStyle::SE_LineEditContents, &option, box)
                   .adjusted(kLineEditTextMargin, 0, -kLineEditTextMargin, 0);
    } else if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
        QStyleOptionButton option;
        option.initFrom(button);
        const int margin = button->style()->pixelMetric(QStyle::PM_ButtonMargin, &option, button);
        text = button->text();
        room = button->rect().adjusted(margin / 2, 0, -margin / 2, 0);
    } else if (const auto* label = qobject_cast<const QLabel*>(widget)) {
        text = label->text();
        room = label->contentsRect();
    } else {
        return true;
    }
    const QFontMetrics metrics = widget->fontMetrics();
    return metrics.horizontalAdvance(text) <= room.width() && metrics.height() <= room.height();
}

} // namespace

namespace FormFont {

bool textsFit(const QWidget* form)
{
    const QList<QWidget*> widgets = form->findChildren<QWidget*>();
    return std::all_of(widgets.cbegin(), widgets.cend(), textFits);
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
