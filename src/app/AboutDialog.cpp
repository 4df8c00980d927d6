#include "app/AboutDialog.h"

#include <QPushButton>

#include "framework/TemplateBuilder.h"
#include "resources/Ids.h"

namespace upsconfig {

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    TemplateBuilder::BuildDialog(Template(ids::dialog::kAbout), this);
    if (auto* ok = FindControl<QPushButton>(this, ids::about::kOk))
        connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace upsconfig
