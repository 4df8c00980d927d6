#pragma once

#include <QTimer>
#include <QWidget>

namespace upsconfig {

// A small window with a busy indicator, shown while the first contact with the unit takes long
// (33 failed attempts take 6.6 s before the communication-error dialog can say anything), so
// the user sees that the tool has started. It appears only after a short delay, so a unit that
// answers at once causes no flicker; the delay runs in the waits of the reads.
class LookingForUpsWindow : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kShowDelayMs = 300;

    explicit LookingForUpsWindow(const QString& title, QWidget* parent = nullptr);

    void ShowSoon();  // starts the delay (again)
    void Dismiss();   // hides it and stops the delay

  private:
    QTimer delay_;
};

}  // namespace upsconfig
