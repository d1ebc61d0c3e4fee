#pragma once

#include <QIODevice>
#include <quazip/quazipfile.h>

// One part of a zip (the current file of an open QuaZip) read as it is inflated, with bounds on
// what a workbook of a bill can hold: no more than MaxBytes inflated bytes, and no stretch of
// more than MaxRunBytes without a '<' (text and attribute values cannot hold one, so no text
// node or tag grows past it inside the XML reader). The bounds are kept on the bytes actually
// inflated, not on the sizes the zip declares. Past a bound the device fails its reads (an XML
// reader sees a premature end) and Fault() says which bound it was.
class TXlsxPartDevice : public QIODevice {
public:
    enum class TFault { None, TooLarge, LongRun };

    // A 100,000-row bill's sheet inflates to some 50 MB (about 450 bytes a row).
    static constexpr qint64 MaxBytes = qint64(256) << 20;
    // Above any cell's text, even written as character references.
    static constexpr qint64 MaxRunBytes = qint64(1) << 20;

    explicit TXlsxPartDevice(QuaZip* zip) : FFile(zip) {}
    ~TXlsxPartDevice() override { close(); }

    bool open(OpenMode mode) override;
    void close() override;
    bool isSequential() const override { return true; }

    TFault Fault() const { return FFault; }
    // The bytes inflated so far.
    qint64 Inflated() const { return FRead; }
    // The zip's error after close (UNZ_OK when the part's checksum was right).
    int ZipError() const { return FFile.getZipError(); }

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QuaZipFile FFile;
    qint64 FRead = 0;
    qint64 FRun = 0;
    TFault FFault = TFault::None;
};
