#include "framework/CommErrorDialog.h"

#include <QKeyEvent>
#include <QPushButton>

#include "framework/MessageBoxIds.h"
#include "framework/TemplateBuilder.h"
#include "resources/Ids.h"

namespace upsconfig {

CommErrorDialog::CommErrorDialog(QWidget* parent) : QDialog(parent), choice_(ButtonId::Cancel) {
    TemplateBuilder::BuildDialog(Template(ids::dialog::kCommError), this);
    const std::pair<int, int> buttons[] = {{ids::commerror::kRetry, ButtonId::Retry},
                                           {ids::commerror::kIgnore, ButtonId::Ignore},
                                           {ids::commerror::kCancel, ButtonId::Cancel}};
    for (auto [id, choice] : buttons) {
        if (auto* button = FindControl<QPushButton>(this, id))
            connect(button, &QPushButton::clicked, this,
                    [this, choice = choice] { Choose(choice); });
    }
}

void CommErrorDialog::Choose(int choice) {
    choice_ = choice;
    accept();
}

void CommErrorDialog::showEvent(QShowEvent* event) {
    choice_ = ButtonId::Cancel;
    QDialog::showEvent(event);
}

void CommErrorDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        event->accept();  // help is asked for and answered: nothing happens
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace upsconfig
