#pragma once

#include <QApplication>
#include <QTranslator>
#include <functional>

// The program's application object: reports any error that an event handler let through, and
// ends the program on request once control is back in the event loop. It speaks Chinese: Qt's
// own texts come from its Chinese translation, and dates and numbers follow the Chinese (China)
// locale whatever the system's.
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

    // Makes Chinese (China) the default locale of dates and numbers.
    static void UseChineseLocale();
    // True when Qt's Chinese translation was found and installed.
    bool QtTranslated() const { return !FQtTranslator.isEmpty(); }

private:
    QTranslator FQtTranslator;
};
