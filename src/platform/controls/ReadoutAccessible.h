#pragma once

namespace zarovia::controls {

// Lets assistive tools read a readout panel (Panel::setReadout) as a label: its accessible name,
// its caption as its text (value and text interface), its hint as its description. Installed
// once, when the first readout is made.
void installReadoutAccessibility();

}  // namespace zarovia::controls
