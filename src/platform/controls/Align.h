#pragma once

class QWidget;

namespace zarovia::controls {

// Alignment of a child inside its parent, as window definitions give it: left where it was
// put, along the top edge at full width, or filling what the top-aligned children leave.
enum class Align { None, Top, Client };

// Sets the alignment and lays the parent out again. The parent re-lays its aligned children
// whenever it is resized and whenever one of them is shown or hidden (a hidden child takes
// no room).
void setAlign(QWidget* widget, Align align);
Align alignOf(const QWidget* widget);
// Lays out the aligned children of `parent` now.
void realign(QWidget* parent);

}  // namespace zarovia::controls
