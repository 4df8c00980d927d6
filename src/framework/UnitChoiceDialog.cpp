#include "framework/UnitChoiceDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "resources/Ids.h"

namespace upsconfig {

UnitChoiceDialog::UnitChoiceDialog(const QStringList& units, QWidget* parent)
    : QDialog(parent), list_(new QListWidget(this)) {
    namespace id = ids::unitchoice;
    setWindowTitle(QStringLiteral("Choose the UPS"));
    auto* label =
        new QLabel(QStringLiteral("More than one UPS is connected. Choose the one to configure:"));
    list_->setObjectName(QString::number(id::kList));
    list_->addItems(units);
    list_->setCurrentRow(0);
    label->setBuddy(list_);
    list_->setAccessibleName(label->text());
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    // The captions every box of the program carries.
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("&OK"));
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QString::number(id::kOk));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("&Cancel"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QString::number(id::kCancel));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(list_);
    layout->addWidget(buttons);
    const auto take = [this] {
        chosen_ = list_->currentRow();
        accept();
    };
    connect(buttons, &QDialogButtonBox::accepted, this, take);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(list_, &QListWidget::itemActivated, this, take);
    resize(qMax(sizeHint().width(), 460), sizeHint().height());
}

}  // namespace upsconfig
