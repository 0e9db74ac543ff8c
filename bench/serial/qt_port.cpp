// Qt's QSerialPort as its documentation recommends for event-driven reception: the readyRead
// signal, handled in the owner thread's Qt event loop, reads whatever has arrived.
#include <QCoreApplication>
#include <QEventLoop>
#include <QSerialPort>
#include <QTimer>

#include "bench_port.h"

namespace bench {

namespace {

class QtSerialBenchPort final : public BenchPort {
  public:
    QtSerialBenchPort() {
        timer_.setSingleShot(true);
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&port_, &QSerialPort::readyRead, [this] {
            const QByteArray bytes = port_.readAll();
            if (onData && !bytes.isEmpty())
                onData(reinterpret_cast<const uint8_t*>(bytes.constData()),
                       static_cast<size_t>(bytes.size()));
        });
    }

    bool Open(const std::string& path) override {
        port_.setPortName(QString::fromStdString(path));
        if (!port_.open(QIODevice::ReadWrite)) return false;
        return port_.setBaudRate(9600) && port_.setDataBits(QSerialPort::Data8) &&
               port_.setParity(QSerialPort::NoParity) && port_.setStopBits(QSerialPort::OneStop) &&
               port_.setFlowControl(QSerialPort::NoFlowControl);
    }

    void Close() override { port_.close(); }

    bool Send(const uint8_t* data, size_t length) override {
        // Buffered by the port and written from the event loop as the device takes it.
        return port_.write(reinterpret_cast<const char*>(data), static_cast<qint64>(length)) ==
               static_cast<qint64>(length);
    }

    void Pump(std::chrono::milliseconds timeout) override {
        // The timer bounds the wait; any event (readyRead included) ends it sooner.
        timer_.start(static_cast<int>(timeout.count()));
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        timer_.stop();
    }

  private:
    QSerialPort port_;
    QTimer timer_;
};

}  // namespace

std::unique_ptr<BenchPort> MakeQtSerialPort() {
    return std::make_unique<QtSerialBenchPort>();
}

}  // namespace bench
