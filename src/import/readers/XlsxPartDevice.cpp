#include "import/readers/XlsxPartDevice.h"

bool TXlsxPartDevice::open(OpenMode mode) {
    if (mode != ReadOnly || !FFile.open(ReadOnly)) return false;
    FRead = FRun = 0;
    FFault = TFault::None;
    return QIODevice::open(mode);
}

void TXlsxPartDevice::close() {
    if (!isOpen()) return;
    FFile.close();
    QIODevice::close();
}

qint64 TXlsxPartDevice::readData(char* data, qint64 maxSize) {
    if (FFault != TFault::None) return -1;
    const qint64 read = FFile.read(data, std::min(maxSize, MaxBytes + 1 - FRead));
    if (read <= 0) return read;
    FRead += read;
    if (FRead > MaxBytes) {
        FFault = TFault::TooLarge;
        return -1;
    }
    for (qint64 i = 0; i < read; ++i) {
        if (data[i] == '<') FRun = 0;
        else if (++FRun > MaxRunBytes) {
            FFault = TFault::LongRun;
            return -1;
        }
    }
    return read;
}
