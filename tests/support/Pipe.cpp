#include "Pipe.h"

#include <QFile>
#include <QTest>
#include <chrono>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

TPipe::TPipe(QString path) : Path(std::move(path)) {
    const QByteArray name = QFile::encodeName(Path);
    QVERIFY2(::mkfifo(name.constData(), 0600) == 0, qPrintable(Path));
    FReleaser = std::thread([this, name] {
        while (!FDone) {
            // Opening the writing end succeeds only while a reader waits; closing it again
            // ends that reader's read.
            const int fd = ::open(name.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (fd >= 0) {
                FOpened = true;
                ::close(fd);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });
}

TPipe::~TPipe() {
    FDone = true;
    FReleaser.join();
    QFile::remove(Path);
}
