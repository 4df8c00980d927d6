#pragma once

#include <QAbstractButton>
#include <QDialog>
#include <QString>
#include <QWidget>
#include <vector>

#include "framework/DialogUnits.h"
#include "resources/DialogTemplate.h"

namespace upsconfig {

// Builds a dialog template's controls as direct children of `dialog`, in template order, at
// their rectangles converted from dialog units with the template's font, and sizes `dialog` to
// the template. Controls with an id get it as their objectName, so FindControl and the tests
// find them by number. Edits and lists are named after their labels for screen readers, and
// the Tab order follows the reading order (see Accessibility.h).
//
// Kinds: Static -> QLabel, Edit -> QLineEdit (QPlainTextEdit when multi-line),
// DropDownList -> non-editable QComboBox, CheckBox -> QCheckBox, RadioButton -> QRadioButton,
// PushButton -> QPushButton, GroupBox -> QGroupBox, Icon/Bitmap -> QLabel with a pixmap,
// TabControl -> TabControl.
//
// Carried over from the platform the templates come from:
// - a drop-down list's template height is its opened list; the closed box keeps its normal
//   height;
// - radio buttons are grouped by GroupStart marks (one exclusive QButtonGroup per run), not one
//   group per parent;
// - group boxes are frames behind every other control and let mouse clicks through.
class TemplateBuilder {
  public:
    // Returns the created widgets in template order.
    static std::vector<QWidget*> Build(const DialogTemplate& dialog, QWidget* target);

    // For a top-level template: Build, plus its caption as the window title and a fixed size
    // with a close box and no maximise box.
    static std::vector<QWidget*> BuildDialog(const DialogTemplate& dialog, QDialog* target);

    // Where a check box or radio button the builder made draws its indicator, in the button's
    // coordinates; empty for other buttons.
    static QRect IndicatorRect(const QAbstractButton& button);
};

// The control with numeric id `id` that the builder made in `dialog`, or nullptr (also when it
// is not a T). Only direct children are searched: a page's ids never shadow its owner's.
template <class T>
T* FindControl(const QWidget* dialog, int id) {
    return dialog->findChild<T*>(QString::number(id), Qt::FindDirectChildrenOnly);
}

}  // namespace upsconfig
