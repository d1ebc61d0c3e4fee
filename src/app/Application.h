#pragma once

#include <QApplication>
#include <functional>

// The program's application object: reports any error that an event handler let through, and
// ends the program on request once control is back in the event loop.
class TApplication : public QApplication {
    Q_OBJECT

public:
    TApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;

    // Asks the program to end; it ends as soon as control returns to the event loop.
    static void Terminate();
    static bool Terminated();
    // Replaces what Terminate does after setting the flag (tests keep their event loop).
    static void SetTerminateAction(std::function<void()> action);
    static void ResetTerminated();
};
