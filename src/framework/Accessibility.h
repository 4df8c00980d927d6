#pragma once

#include <QWidget>

class QComboBox;
#include <vector>

namespace upsconfig {

// What keyboard and screen-reader users need of a built template, taken from its layout: the
// controls have no names of their own in the templates, and their template order jumps about.

// Gives every edit and list the name of the text that labels it: a label or check box to its
// left on the same row (with the unit to its right, "Turn on delay, 0-30(mins)"), else a label
// just above it, else the frame around it. A label text becomes the field's buddy, which
// screen readers announce as the labelled-by relation. `built` is the template's widgets.
void NameFieldsByTheirLabels(const std::vector<QWidget*>& built);

// The Tab stops among the built widgets in reading order: top to bottom and left to right along
// each row, the controls left of `columnX` pixels before those right of it (0: one column), a
// read-only text box (a help box) last.
// A radio group the template leaves without a stop gets one at its first button, so the
// keyboard reaches it (the arrows then choose within it).
std::vector<QWidget*> ReadingOrder(const std::vector<QWidget*>& built, int columnX);

// A list that screen readers announce by its accessible name (once it has one) and its chosen
// item as the value; Qt's own interface on Unix gives the item as the name. To be called before
// the list gets items: Qt makes and keeps a widget's interface at its first change.
void UseNamedListInterface(QComboBox* list);

// Chains the widgets' Tab order in the given order.
void ChainFocus(const std::vector<QWidget*>& order);

// The Tab stops inside root, in the order the focus chain visits them now.
std::vector<QWidget*> TabStops(const QWidget* root);

}  // namespace upsconfig
