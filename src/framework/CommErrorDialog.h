#pragma once

#include <QDialog>

namespace upsconfig {

// "Communication Error": shown while the unit cannot be reached at start-up. Retry, Ignore and
// Cancel set Choice() to ButtonId::Retry, Ignore or Cancel and close; Escape and the close box
// leave it at Cancel, which it is at the start of every showing; F1 does nothing. A diagnosis,
// when given, stands below the buttons in a box whose text can be copied (it holds commands).
class CommErrorDialog : public QDialog {
    Q_OBJECT
  public:
    explicit CommErrorDialog(QWidget* parent = nullptr, const QString& diagnosis = {});

    int Choice() const { return choice_; }

  protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void Choose(int choice);

    int choice_;
};

}  // namespace upsconfig
