// The device comes from the serial layer's own mapping of the port name that Start builds,
// so the tooltip names the device that Start would open.

#include "console/window/port_tooltip.h"

#include <QComboBox>
#include <QEvent>

#include "console/window/texts.h"
#include "serial/device.h"

namespace console {
namespace {

class PortToolTipWatch : public QObject {
  public:
    explicit PortToolTipWatch(QComboBox* box) : QObject(box), box_(box) {}

    void Refresh() { box_->setToolTip(PortToolTip(box_->currentText())); }

  protected:
    // Before the box shows its tooltip; the event goes on to show it.
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::ToolTip) Refresh();
        return false;
    }

  private:
    QComboBox* box_;
};

}  // namespace

QString PortToolTip(const QString& portText) {
    const std::string device = serial::PlatformDevicePath("//./" + portText.toStdString());
    if (device.empty()) return QString::fromUtf8(kPortNotChosen);
    const QString path = QString::fromStdString(device);
    const bool present = serial::DevicePresent(device);
    if (path == portText)
        return QString::fromUtf8(present ? kDevicePresent : kDeviceAbsent).arg(path);
    return QString::fromUtf8(present ? kPortDevicePresent : kPortDeviceAbsent).arg(portText, path);
}

void WatchPortToolTip(QComboBox* box) {
    auto* watch = new PortToolTipWatch(box);
    box->installEventFilter(watch);
    QObject::connect(box, &QComboBox::editTextChanged, watch, [watch] { watch->Refresh(); });
    watch->Refresh();
}

}  // namespace console
