#pragma once
// The port box's tooltip: the device that its text stands for and whether that device is
// there at the moment the operator looks (an adapter comes and goes while the text stays).

#include <QString>

class QComboBox;

namespace console {

// The tooltip for a text of the port box.
QString PortToolTip(const QString& portText);
// Keeps the box's tooltip so: set as the text changes, and taken again each time it is shown.
void WatchPortToolTip(QComboBox* box);

}  // namespace console
