#pragma once
// A small dialog that builds a Modbus request from its fields: slave,
// function, start address, quantity or values. It shows the frame with its
// CRC as the fields change, or why no frame can be built.

#include <QDialog>

#include "protocol/ModbusRtu.h"

class QComboBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QSpinBox;

namespace console {

class FrameBuilderDialog : public QDialog {
    Q_OBJECT
public:
    explicit FrameBuilderDialog(QWidget* parent);

    // Fills the fields from a request (a decoded frame).
    void SetRequest(const protocol::modbus::Request& request);
    // The built frame in hexadecimal, or empty when the fields make none.
    QString Frame() const { return frame_; }

private:
    void Rebuild();

    QSpinBox* slave_;
    QComboBox* function_;
    QSpinBox* start_;
    QSpinBox* count_;
    QLineEdit* values_;
    QLabel* preview_;
    QDialogButtonBox* buttons_;
    QString frame_;
};

}  // namespace console
