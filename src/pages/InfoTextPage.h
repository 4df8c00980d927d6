#pragma once

#include "pages/SettingsPage.h"
#include "resources/DialogTemplate.h"

namespace upsconfig {

class InfoTextPage : public SettingsPage {
    Q_OBJECT
  public:
    explicit InfoTextPage(QWidget* parent = nullptr);

    // Puts the fixed text into its edit.
    void ShowInfoText();

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    QString text_;
};

}  // namespace upsconfig
