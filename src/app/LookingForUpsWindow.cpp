#include "app/LookingForUpsWindow.h"

#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

namespace upsconfig {

LookingForUpsWindow::LookingForUpsWindow(const QString& title, QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setWindowTitle(title);
    setAttribute(Qt::WA_ShowWithoutActivating);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Looking for the UPS..."), this));
    auto* busy = new QProgressBar(this);
    busy->setRange(0, 0);  // no end known: the bar moves to and fro
    busy->setTextVisible(false);
    busy->setMinimumWidth(240);
    layout->addWidget(busy);
    setFixedSize(sizeHint());
    delay_.setSingleShot(true);
    connect(&delay_, &QTimer::timeout, this, &QWidget::show);
}

void LookingForUpsWindow::ShowSoon() { delay_.start(kShowDelayMs); }

void LookingForUpsWindow::Dismiss() {
    delay_.stop();
    hide();
}

}  // namespace upsconfig
