#pragma once

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>

// What the tests of the Qt windows check of every control: its caption, and
// that the caption fits.
namespace vantorix::testing {

inline QString Caption(const QWidget* control) {
    if (const auto* label = qobject_cast<const QLabel*>(control)) return label->text();
    if (const auto* button = qobject_cast<const QAbstractButton*>(control)) return button->text();
    if (const auto* frame = qobject_cast<const QGroupBox*>(control)) return frame->title();
    if (const auto* text = qobject_cast<const QLineEdit*>(control)) return text->text();
    return {};
}

// The room a control leaves its caption: a check box or option button gives
// some of its width to the indicator, a button to its bevel.
inline int RoomForCaption(const QWidget* control) {
    const QStyle* style = control->style();
    if (qobject_cast<const QCheckBox*>(control) != nullptr) {
        return control->width() - style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, control) -
               style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, control);
    }
    if (qobject_cast<const QRadioButton*>(control) != nullptr) {
        return control->width() - style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, control) -
               style->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, control);
    }
    if (qobject_cast<const QPushButton*>(control) != nullptr) return control->width() - 8;
    if (qobject_cast<const QGroupBox*>(control) != nullptr) return control->width() - 16;
    return control->width();
}

inline void ExpectCaptionFits(const QWidget* control) {
    const QFontMetrics metrics(control->font());
    const QString caption = Caption(control);
    const auto* label = qobject_cast<const QLabel*>(control);
    if (label != nullptr && label->wordWrap()) {
        const QRect needed = metrics.boundingRect(QRect(0, 0, control->width(), 1000), Qt::TextWordWrap, caption);
        EXPECT_LE(needed.height(), control->height()) << caption.toStdString();
        return;
    }
    EXPECT_LE(metrics.horizontalAdvance(caption), RoomForCaption(control)) << caption.toStdString();
    if (qobject_cast<const QGroupBox*>(control) == nullptr) {
        EXPECT_LE(metrics.height(), control->height());
    }
}

}  // namespace vantorix::testing
