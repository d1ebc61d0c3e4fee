#pragma once

#include <QString>
#include <atomic>
#include <thread>

// A named pipe at a path for as long as the object lives, where a test wants something that is
// no file. Whoever opens it to read is let go at once with nothing to read (a writer comes and
// goes every few milliseconds), so code that wrongly reads it makes its test fail instead of
// waiting for ever.
class TPipe {
public:
    explicit TPipe(QString path);
    ~TPipe();
    TPipe(const TPipe&) = delete;
    TPipe& operator=(const TPipe&) = delete;

    // Whether anything opened the pipe to read since it was made: code that refuses it at once
    // only looks at what it is.
    bool Opened() const { return FOpened; }

    QString Path;

private:
    std::atomic<bool> FDone{false};
    std::atomic<bool> FOpened{false};
    std::thread FReleaser;
};
