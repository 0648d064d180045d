#include "console/pages/FrameBuilderDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

namespace console {
namespace {

namespace modbus = protocol::modbus;

// What the values field takes for each function that has values.
QString ValuesHint(unsigned function) {
    switch (function) {
        case 5: return "ON or OFF";
        case 6: return "0 to 65535";
        case 15: return "states 1 or 0, e.g. 1,0,1";
        case 16: return "registers, e.g. 10,258";
        default: return "none for a read";
    }
}

bool TakesValues(unsigned function) { return function == 5 || function == 6 || function == 15 || function == 16; }

template <class T>
T* Named(T* widget, const char* objectName, const QString& accessibleName) {
    widget->setObjectName(objectName);
    widget->setAccessibleName(accessibleName);
    return widget;
}

}  // namespace

FrameBuilderDialog::FrameBuilderDialog(QWidget* parent)
    : QDialog(parent),
      slave_(Named(new QSpinBox(this), "FrameSlave", "Slave address")),
      function_(Named(new QComboBox(this), "FrameFunction", "Function")),
      start_(Named(new QSpinBox(this), "FrameStart", "Start address")),
      count_(Named(new QSpinBox(this), "FrameCount", "Quantity")),
      values_(Named(new QLineEdit(this), "FrameValues", "Values")),
      preview_(Named(new QLabel(this), "FramePreview", "Frame")),
      buttons_(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this)) {
    setWindowTitle("Build frame");
    slave_->setRange(0, 247);
    slave_->setValue(1);
    for (unsigned code : modbus::StandardFunctions()) {
        const auto name = modbus::FunctionName(code).value_or("");
        function_->addItem(QString("%1 %2").arg(code).arg(QString::fromUtf8(name.data(), qsizetype(name.size()))),
                           code);
    }
    function_->setCurrentIndex(function_->findData(3u));
    start_->setRange(0, 65535);
    count_->setRange(0, 2000);
    count_->setValue(1);
    preview_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    preview_->setMinimumWidth(220);

    auto* form = new QFormLayout(this);
    form->addRow("Slave address:", slave_);
    form->addRow("Function:", function_);
    form->addRow("Start address:", start_);
    form->addRow("Quantity:", count_);
    form->addRow("Values:", values_);
    form->addRow("Frame:", preview_);
    form->addRow(buttons_);

    connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(slave_, &QSpinBox::valueChanged, this, &FrameBuilderDialog::Rebuild);
    connect(function_, &QComboBox::currentIndexChanged, this, &FrameBuilderDialog::Rebuild);
    connect(start_, &QSpinBox::valueChanged, this, &FrameBuilderDialog::Rebuild);
    connect(count_, &QSpinBox::valueChanged, this, &FrameBuilderDialog::Rebuild);
    connect(values_, &QLineEdit::textChanged, this, &FrameBuilderDialog::Rebuild);
    Rebuild();
}

void FrameBuilderDialog::SetRequest(const modbus::Request& request) {
    slave_->setValue(int(request.slave));
    if (const int index = function_->findData(request.function); index >= 0) function_->setCurrentIndex(index);
    start_->setValue(int(request.address));
    count_->setValue(int(request.count));
    values_->setText(QString::fromStdString(modbus::ValuesText(request)));
    Rebuild();
}

void FrameBuilderDialog::Rebuild() {
    const unsigned function = function_->currentData().toUInt();
    const bool takesValues = TakesValues(function);
    count_->setEnabled(!takesValues);
    values_->setEnabled(takesValues);
    values_->setPlaceholderText(ValuesHint(function));

    modbus::Request request{.slave = unsigned(slave_->value()), .function = function,
                            .address = unsigned(start_->value()), .count = unsigned(count_->value()), .values = {}};
    std::string error;
    if (takesValues) {
        modbus::ParsedValues parsed = modbus::ParseValues(function, values_->text().toStdString());
        error = parsed.error;
        request.values = std::move(parsed.values);
    }
    modbus::BuiltFrame built;
    if (error.empty()) {
        built = modbus::BuildFrame(request);
        error = built.error;
    }
    frame_ = QString::fromStdString(built.hex);
    preview_->setText(error.empty() ? frame_ : QString::fromStdString(error));
    buttons_->button(QDialogButtonBox::Ok)->setEnabled(error.empty());
}

}  // namespace console
