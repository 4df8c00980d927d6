#pragma once

#include <QWidget>

class QTabBar;

namespace upsconfig {

// A row of tabs over a pane. Unlike QTabWidget it keeps no page stack: pages are children of
// Pane() and their owner shows and hides them by tab index itself. The pane covers the whole
// control (the tabs sit on top of it), so ClientRect() is the control's full client area and
// the owner places pages inside it below the tabs.
class TabControl : public QWidget {
    Q_OBJECT
  public:
    explicit TabControl(QWidget* parent = nullptr);

    // Inserts a tab at index (clamped to 0..TabCount()) and returns the index it got.
    int InsertTab(int index, const QString& label);
    void DeleteTab(int index);  // out-of-range indexes are ignored
    int TabCount() const;
    QString TabText(int index) const;

    // The selected tab, -1 with none. SetCurrentIndex does not emit SelectionChanged: only the
    // user's choice of a tab does, as the owner reacts to that alone.
    int CurrentIndex() const;
    void SetCurrentIndex(int index);

    QWidget* Pane() const { return pane_; }
    QRect ClientRect() const;  // in Pane() coordinates
    QTabBar* Bar() const { return bar_; }

  signals:
    void SelectionChanged(int index);

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    QTabBar* bar_;
    QWidget* pane_;
    bool programmatic_ = false;
};

}  // namespace upsconfig
