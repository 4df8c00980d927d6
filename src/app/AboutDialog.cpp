#include "app/AboutDialog.h"

#include <QPushButton>

#include "framework/TemplateBuilder.h"

namespace upsconfig {

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    TemplateBuilder::BuildDialog(Template(kTemplateId), this);
    if (auto* ok = FindControl<QPushButton>(this, kOkId))
        connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace upsconfig
