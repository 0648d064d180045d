#pragma once
// Captions laid out in pixels must not run under the control that follows
// them: a label wider than its room is set in a smaller type.

class QLabel;

namespace console {

// Fits `label` into `room` pixels of width; a room of 0 leaves it as it is.
void FitLabel(QLabel* label, int room);

}  // namespace console
