#include "platform/FormLayout.h"

#include <QCoreApplication>
#include <QPointer>
#include <QStyle>
#include <QStyleFactory>
#include <QWidget>

namespace vantorix {

namespace {

// One style object for all forms, owned by the application.
QStyle* FormStyle() {
    static QPointer<QStyle> style;
    if (style.isNull()) {
        style = QStyleFactory::create(FormStyleName);
        if (style != nullptr) style->setParent(QCoreApplication::instance());
    }
    return style.data();
}

}  // namespace

QFont FormFont() {
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(10);  // in pixels, so it scales with the twips layout
    return font;
}

void ApplyFormStyle(QWidget* window) {
    QStyle* style = FormStyle();
    if (style == nullptr) return;  // a Qt built without it keeps its own
    window->setStyle(style);
    for (QWidget* control : window->findChildren<QWidget*>()) control->setStyle(style);
}

}  // namespace vantorix
