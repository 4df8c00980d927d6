#include "app/FirstContact.h"

#include "app/LookingForUpsWindow.h"
#include "framework/AppServices.h"
#include "session/ReadUnit.h"

namespace upsconfig {

FirstContact FindUnit(QWidget* owner, ReportLayer& reports, LookingForUpsWindow& looking,
                      const std::function<QString()>& diagnose) {
    for (;;) {
        looking.ShowSoon();
        if (ReadUnit(reports).Contact()) return FirstContact::Found;
        looking.Dismiss();
        const int choice = Services().RunCommErrorDialog(owner, diagnose());
        if (choice == ButtonId::Retry) continue;
        if (choice == ButtonId::Ignore) return FirstContact::Ignored;
        // Cancel, or the dialog closed any other way: the program ends.
        return FirstContact::Cancelled;
    }
}

}  // namespace upsconfig
