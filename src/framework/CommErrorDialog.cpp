#include "framework/CommErrorDialog.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include "framework/DialogUnits.h"
#include "framework/MessageBoxIds.h"
#include "framework/TemplateBuilder.h"
#include "resources/Ids.h"

namespace upsconfig {

namespace {

// Below the template's buttons, in its units: the advice above keeps its place.
constexpr DluRect kDiagnosisLabel{14, 160, 244, 8};
constexpr DluRect kDiagnosisBox{14, 170, 244, 70};
constexpr int kGrownHeight = 248;

}  // namespace

CommErrorDialog::CommErrorDialog(QWidget* parent, const QString& diagnosis)
    : QDialog(parent), choice_(ButtonId::Cancel) {
    const DialogTemplate& dialog = Template(ids::dialog::kCommError);
    TemplateBuilder::BuildDialog(dialog, this);
    if (!diagnosis.isEmpty()) {
        const DialogBaseUnits units = BaseUnits(DialogFont(dialog));
        auto* label = new QLabel(QStringLiteral("What this computer shows:"), this);
        label->setGeometry(DluToPixels(kDiagnosisLabel, units));
        auto* box = new QPlainTextEdit(diagnosis, this);
        box->setObjectName(QString::number(ids::commerror::kDiagnosis));
        box->setReadOnly(true);
        box->setGeometry(DluToPixels(kDiagnosisBox, units));
        label->setBuddy(box);
        box->setAccessibleName(label->text());
        setFixedSize(width(), DluToPixelsY(kGrownHeight, units));
    }
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
