#pragma once

#include <QDialog>

namespace upsconfig {

// The About box: no behaviour beyond closing with OK (or Escape, or the close box).
class AboutDialog : public QDialog {
    Q_OBJECT
  public:
    explicit AboutDialog(QWidget* parent = nullptr);
};

}  // namespace upsconfig
