#include "platform/OptionGroup.h"

#include <QKeyEvent>
#include <QRadioButton>

#include <algorithm>

namespace vantorix {

OptionGroup::OptionGroup(std::vector<QRadioButton*> options)
    : QObject(options.at(0)->parentWidget()), options_(std::move(options)) {
    for (QRadioButton* option : options_) {
        option->installEventFilter(this);
        connect(option, &QRadioButton::toggled, this, &OptionGroup::MoveTabStopToTheChosenOption);
    }
    MoveTabStopToTheChosenOption();
}

void OptionGroup::MoveTabStopToTheChosenOption() {
    const bool anyChosen = std::any_of(options_.begin(), options_.end(), [](QRadioButton* o) { return o->isChecked(); });
    for (QRadioButton* option : options_) {
        const bool stop = anyChosen ? option->isChecked() : option == options_.front();
        option->setFocusPolicy(stop ? Qt::StrongFocus : Qt::ClickFocus);
    }
}

bool OptionGroup::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return false;
    int step = 0;
    switch (static_cast<QKeyEvent*>(event)->key()) {
        case Qt::Key_Down:
        case Qt::Key_Right: step = 1; break;
        case Qt::Key_Up:
        case Qt::Key_Left: step = -1; break;
        default: return false;
    }
    const auto at = std::find(options_.begin(), options_.end(), watched);
    if (at == options_.end()) return false;
    const auto count = static_cast<std::ptrdiff_t>(options_.size());
    QRadioButton* next = options_[static_cast<std::size_t>(((at - options_.begin()) + step + count) % count)];
    next->setFocus(step > 0 ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    next->click();  // chooses it, as a click would
    return true;
}

}  // namespace vantorix
