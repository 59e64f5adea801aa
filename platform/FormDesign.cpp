#include "platform/FormDesign.h"

#include <algorithm>
#include <stdexcept>

namespace vantorix::design {

const Control& Form::operator[](std::string_view name) const {
    const auto found = std::find_if(Controls.begin(), Controls.end(), [&](const Control& c) { return c.Name == name; });
    if (found == Controls.end()) throw std::out_of_range("The form " + Name + " has no control " + std::string(name) + ".");
    return *found;
}

int Form::AbsoluteLeft(const Control& control) const {
    return control.Left + (control.Frame.empty() ? 0 : AbsoluteLeft((*this)[control.Frame]));
}

int Form::AbsoluteTop(const Control& control) const {
    return control.Top + (control.Frame.empty() ? 0 : AbsoluteTop((*this)[control.Frame]));
}

std::string Indexed(std::string_view name, int index) {
    return std::string(name) + "(" + std::to_string(index) + ")";
}

bool TakesFocus(const Control& control) {
    return control.Type != Kind::Label && control.Type != Kind::Frame && control.Type != Kind::Picture &&
           control.Type != Kind::ProgressBar;
}

std::vector<const Control*> TabOrder(const Form& form) {
    std::vector<const Control*> order;
    for (const Control& control : form.Controls) {
        if (TakesFocus(control)) order.push_back(&control);
    }
    std::stable_sort(order.begin(), order.end(),
                     [](const Control* a, const Control* b) { return a->TabIndex < b->TabIndex; });
    return order;
}

}  // namespace vantorix::design
