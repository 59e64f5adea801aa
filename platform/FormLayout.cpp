#include "platform/FormLayout.h"

namespace vantorix {

QFont FormFont() {
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(10);  // in pixels, so it scales with the twips layout
    return font;
}

}  // namespace vantorix
