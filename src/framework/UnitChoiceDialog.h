#pragma once

#include <QDialog>
#include <QStringList>

class QListWidget;

namespace upsconfig {

// "Choose the UPS": more than one unit is connected, and the user picks the one the window
// configures. One line a unit (model, serial, node); OK takes the selected line, a double click
// takes that line, Cancel and Escape take none.
class UnitChoiceDialog : public QDialog {
    Q_OBJECT
  public:
    explicit UnitChoiceDialog(const QStringList& units, QWidget* parent = nullptr);

    // The line chosen; -1 before a choice or after Cancel.
    int Chosen() const { return chosen_; }

  private:
    QListWidget* list_;
    int chosen_ = -1;
};

}  // namespace upsconfig
