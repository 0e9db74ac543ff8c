// The table's columns: our serial port object, then the peers that this build has.
#include "bench_port.h"

namespace bench {

std::vector<Implementation> Implementations() {
    std::vector<Implementation> all = {{"TComm32", MakeComm32Port}};
#ifdef BENCH_WITH_QT_SERIAL
    all.push_back({"QSerialPort", MakeQtSerialPort});
#endif
#ifdef BENCH_WITH_LIBSERIALPORT
    all.push_back({"libserialport", MakeLibserialportPort});
#endif
    return all;
}

}  // namespace bench
