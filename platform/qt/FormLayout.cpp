#include "platform/FormLayout.h"

#include "platform/OptionGroup.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

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

std::map<std::string, QWidget*> BuildForm(QWidget* window, const design::Form& form) {
    using design::Kind;
    window->setObjectName(QString::fromStdString(form.Name));
    window->setWindowTitle(QString::fromStdString(form.Caption));
    window->setFont(FormFont());
    window->setFixedSize(TwipsSize(form.Width, form.Height));
    std::map<std::string, QWidget*> controls;
    std::map<std::string, std::vector<QRadioButton*>> optionGroups;  // by frame
    for (const design::Control& control : form.Controls) {
        QWidget* parent = control.Frame.empty() ? window : controls.at(control.Frame);
        const QString caption = QString::fromStdString(control.Caption);
        QWidget* made = nullptr;
        switch (control.Type) {
            case Kind::Frame: made = new QGroupBox(caption, parent); break;
            case Kind::Label:
            case Kind::Picture: {
                auto* label = new QLabel(caption, parent);
                label->setTextFormat(Qt::PlainText);  // leading blanks stay
                label->setWordWrap(control.Wraps);
                const Qt::Alignment horizontal = control.Alignment == design::Align::Centre ? Qt::AlignHCenter
                                                 : control.Alignment == design::Align::Right ? Qt::AlignRight
                                                                                              : Qt::AlignLeft;
                label->setAlignment(control.Type == Kind::Picture ? Qt::AlignCenter
                                    : control.Border             ? horizontal | Qt::AlignVCenter
                                                                 : horizontal | Qt::AlignTop);
                if (control.Border) label->setFrameStyle(QFrame::Box | QFrame::Plain);
                made = label;
                break;
            }
            case Kind::TextBox: made = new QLineEdit(caption, parent); break;
            case Kind::Button: {
                auto* button = new QPushButton(caption, parent);
                button->setAutoDefault(false);  // Enter presses no button
                made = button;
                break;
            }
            case Kind::CheckBox: {
                auto* box = new QCheckBox(caption, parent);
                box->setChecked(control.Value);
                made = box;
                break;
            }
            case Kind::Option: {
                auto* option = new QRadioButton(caption, parent);
                option->setChecked(control.Value);
                optionGroups[control.Frame].push_back(option);
                made = option;
                break;
            }
            case Kind::ProgressBar: {
                auto* bar = new QProgressBar(parent);
                bar->setRange(control.Minimum, control.Maximum);
                bar->setValue(control.Position);
                bar->setTextVisible(false);
                made = bar;
                break;
            }
            case Kind::ScrollBar: {
                auto* bar = new QScrollBar(Qt::Horizontal, parent);
                bar->setRange(control.Minimum, control.Maximum);
                bar->setSingleStep(1);
                bar->setPageStep(10);
                bar->setValue(control.Position);
                bar->setFocusPolicy(Qt::StrongFocus);
                made = bar;
                break;
            }
        }
        made->setObjectName(QString::fromStdString(control.Name));
        made->setGeometry(TwipsRect(control.Left, control.Top, control.Width, control.Height));
        if (control.FontPixels != 10 || control.Bold) {
            QFont font = FormFont();
            font.setPixelSize(control.FontPixels);
            font.setBold(control.Bold);
            made->setFont(font);
        }
        if (!design::TakesFocus(control)) made->setFocusPolicy(Qt::NoFocus);
        controls[control.Name] = made;
    }
    for (auto& [frame, options] : optionGroups) new OptionGroup({options.begin(), options.end()});
    const std::vector<const design::Control*> order = design::TabOrder(form);
    for (std::size_t i = 1; i < order.size(); ++i) {
        QWidget::setTabOrder(controls.at(order[i - 1]->Name), controls.at(order[i]->Name));
    }
    return controls;
}

QIcon ProgramIcon() {
    QIcon icon;
    icon.addFile(QStringLiteral(":/vantorix/icon-16.png"), QSize(16, 16));
    icon.addFile(QStringLiteral(":/vantorix/icon-32.png"), QSize(32, 32));
    return icon;
}

void ApplyFormStyle(QWidget* window) {
    QStyle* style = FormStyle();
    if (style == nullptr) return;  // a Qt built without it keeps its own
    window->setStyle(style);
    for (QWidget* control : window->findChildren<QWidget*>()) control->setStyle(style);
}

}  // namespace vantorix
