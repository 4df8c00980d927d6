#include "framework/TabControl.h"

#include <QPainter>
#include <QStyleOptionTabWidgetFrame>
#include <QStylePainter>
#include <QTabBar>
#include <utility>

namespace upsconfig {

namespace {

// Draws the frame of the page area below the tabs.
class TabPane : public QWidget {
  public:
    TabPane(QWidget* parent, QTabBar* bar) : QWidget(parent), bar_(bar) {}

  protected:
    void paintEvent(QPaintEvent*) override {
        QStylePainter painter(this);
        QStyleOptionTabWidgetFrame option;
        option.initFrom(this);
        option.shape = QTabBar::RoundedNorth;
        option.tabBarSize = bar_->sizeHint();
        const int overlap = style()->pixelMetric(QStyle::PM_TabBarBaseOverlap, nullptr, this);
        const int top = qMax(0, bar_->height() - overlap);
        option.rect = rect().adjusted(0, top, 0, 0);
        option.tabBarRect = bar_->geometry();
        painter.drawPrimitive(QStyle::PE_FrameTabWidget, option);
    }

  private:
    QTabBar* bar_;
};

}  // namespace

TabControl::TabControl(QWidget* parent) : QWidget(parent), bar_(new QTabBar(this)) {
    pane_ = new TabPane(this, bar_);
    bar_->setDrawBase(false);
    bar_->setExpanding(false);
    bar_->setUsesScrollButtons(true);
    bar_->raise();
    connect(bar_, &QTabBar::currentChanged, this, [this](int index) {
        if (!programmatic_) emit SelectionChanged(index);
    });
}

int TabControl::InsertTab(int index, const QString& label) {
    const bool was = std::exchange(programmatic_, true);
    const int result = bar_->insertTab(qBound(0, index, bar_->count()), label);
    programmatic_ = was;
    bar_->resize(qMin(bar_->sizeHint().width(), width()), bar_->sizeHint().height());
    return result;
}

void TabControl::DeleteTab(int index) {
    if (index < 0 || index >= bar_->count()) return;
    const bool was = std::exchange(programmatic_, true);
    bar_->removeTab(index);
    programmatic_ = was;
    bar_->resize(qMin(bar_->sizeHint().width(), width()), bar_->sizeHint().height());
}

int TabControl::TabCount() const { return bar_->count(); }

QString TabControl::TabText(int index) const { return bar_->tabText(index); }

int TabControl::CurrentIndex() const { return bar_->currentIndex(); }

void TabControl::SetCurrentIndex(int index) {
    const bool was = std::exchange(programmatic_, true);
    bar_->setCurrentIndex(index);
    programmatic_ = was;
}

QRect TabControl::ClientRect() const { return pane_->rect(); }

void TabControl::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    pane_->setGeometry(rect());
    bar_->setGeometry(0, 0, qMin(bar_->sizeHint().width(), width()), bar_->sizeHint().height());
    bar_->raise();
}

}  // namespace upsconfig
