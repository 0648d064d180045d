#include "console/commissioning/StepTimeoutBox.h"

#include <QSettings>
#include <QSpinBox>

#include "console/window/Form1.h"

namespace console {

namespace {

constexpr auto Key = "commissioning/stepTimeoutSeconds";
constexpr int DefaultSeconds = 3, MinSeconds = 1, MaxSeconds = 120;

}  // namespace

QSpinBox* AddStepTimeoutBox(TForm1& form, std::function<void(std::chrono::milliseconds)> apply) {
    auto* box = new QSpinBox;
    box->setObjectName("StepTimeoutBox");
    box->setRange(MinSeconds, MaxSeconds);
    box->setPrefix("Time-out ");
    box->setSuffix(" s");
    box->setToolTip("How long each step of read all, write all and verify waits for its answer");
    box->setFixedHeight(25);
    const int remembered = QSettings().value(Key, DefaultSeconds).toInt();
    box->setValue(remembered < MinSeconds || remembered > MaxSeconds ? DefaultSeconds : remembered);
    form.AddToActionStrip(box);
    apply(std::chrono::seconds(box->value()));
    QObject::connect(box, &QSpinBox::valueChanged, box, [apply = std::move(apply)](int seconds) {
        QSettings().setValue(Key, seconds);
        apply(std::chrono::seconds(seconds));
    });
    return box;
}

}  // namespace console
