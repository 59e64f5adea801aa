#pragma once

#include <QObject>

#include <vector>

class QRadioButton;

namespace vantorix {

// Option buttons that act as one control, as in the classic forms: Tab stops
// only at the chosen option, and the arrow keys move the choice through the
// group, Down and Right to the next option, Up and Left to the one before,
// wrapping round. Clicking still chooses any option.
class OptionGroup : public QObject {
public:
    // The options in their order; the group lives as long as the first one's parent.
    explicit OptionGroup(std::vector<QRadioButton*> options);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void MoveTabStopToTheChosenOption();

    std::vector<QRadioButton*> options_;
};

}  // namespace vantorix
