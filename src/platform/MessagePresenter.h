#pragma once

#include <QString>

// The kinds of message box the program shows: a note that work is done (Information), a warning,
// an error and a question.
enum class TMessageKind { Information, Warning, Error, Confirm };

// Shows message boxes. Everything the program tells the user in a box goes through the one
// presenter installed here, so tests can replace it with a scripted one.
class TMessagePresenter {
public:
    virtual ~TMessagePresenter() = default;
    // Shows the box and waits; returns true when the user answered OK.
    virtual bool Show(TMessageKind kind, const QString& text) = 0;
};

// The caption of every box.
inline const QString MessageCaption = QStringLiteral("系统提示：");

TMessagePresenter& MessagePresenter();
// Installs a presenter (not owned); nullptr restores the real one.
void SetMessagePresenter(TMessagePresenter* presenter);
