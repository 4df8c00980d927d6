#include "app/FirstContact.h"

#include "app/LookingForUpsWindow.h"
#include "framework/AppServices.h"

namespace upsconfig {

FirstContact FindUnit(QWidget* owner, HidLink& link, ReportLayer& reports,
                      LookingForUpsWindow& looking, const std::function<QString()>& diagnose) {
    for (;;) {
        looking.ShowSoon();
        reports.ReadAllReports();
        if (link.Connected() && GetField(reports.Image(), FieldId::bModelCode) != 0)
            return FirstContact::Found;
        looking.Dismiss();
        const int choice = Services().RunCommErrorDialog(owner, diagnose());
        if (choice == ButtonId::Retry) continue;
        if (choice == ButtonId::Ignore) return FirstContact::Ignored;
        // Cancel, or the dialog closed any other way: the program ends.
        return FirstContact::Cancelled;
    }
}

}  // namespace upsconfig
