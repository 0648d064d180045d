#pragma once
// The step time-out of read all, write all and verify, as a box in the
// window's action strip: for slow radio or converter links. Remembered
// between runs in the application's settings.

#include <chrono>
#include <functional>

class QSpinBox;

namespace console {

class TForm1;

// Adds the box (seconds) to the form's strip and calls `apply` with the
// remembered value now and with every change.
QSpinBox* AddStepTimeoutBox(TForm1& form, std::function<void(std::chrono::milliseconds)> apply);

}  // namespace console
