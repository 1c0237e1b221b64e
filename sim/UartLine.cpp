#include "UartLine.h"

#include <cmath>

namespace {

// Line level during transmit bit number bit (10 bits per byte: start, 8 data LSB first, stop);
// idle (1) after the last byte.
int Level(const QByteArray& sent, qint64 bit)
{
    if (bit < 0 || bit >= qint64(sent.size()) * 10)
        return 1;
    const int inByte = int(bit % 10);
    if (inByte == 0)
        return 0;
    if (inByte == 9)
        return 1;
    return (quint8(sent[bit / 10]) >> (inByte - 1)) & 1;
}

} // namespace

QByteArray UartResample(const QByteArray& sent, qint32 txBaud, qint32 rxBaud)
{
    if (txBaud == rxBaud || sent.isEmpty())
        return sent;
    const double txBit = 1.0 / txBaud;
    const double rxBit = 1.0 / rxBaud;
    const qint64 totalBits = qint64(sent.size()) * 10;
    auto levelAt = [&](double t) { return Level(sent, qint64(std::floor(t / txBit + 1e-9))); };

    QByteArray out;
    double t = 0.0;
    while (true) {
        // Find the next falling edge: the first transmit bit at or after t whose level is 0.
        qint64 bit = qint64(std::floor(t / txBit + 1e-9));
        while (bit < totalBits && Level(sent, bit) != 0)
            ++bit;
        if (bit >= totalBits)
            break;
        const double edge = qMax(t, bit * txBit);
        quint8 value = 0;
        for (int k = 0; k < 8; ++k)
            value |= quint8(levelAt(edge + (k + 1.5) * rxBit) << k);
        out.append(char(value));
        // The receiver looks for the next start bit after its stop bit's middle.
        t = edge + 9.5 * rxBit;
    }
    return out;
}
