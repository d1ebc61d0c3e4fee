#include "app/start/StartCheck.h"

#include "app/start/LedgerRecovery.h"
#include "app/start/ServerStart.h"
#include "app/Login.h"
#include "data/Common.h"
#include "data/DataModule.h"
#include "data/Schema.h"
#include "forms/base/FormBase.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QTimer>
#include <cstdio>

namespace {

void Print(std::FILE* stream, const QString& line) {
    std::fprintf(stream, "%s\n", line.toUtf8().constData());
    std::fflush(stream);
}

QString Found(const QString& path) {
    return path +
           (QFileInfo::exists(path) ? QStringLiteral(" (found)") : QStringLiteral(" (missing)"));
}

} // namespace

TStartCheck::TStartCheck() {
    SetMessagePresenter(this);
    // A server's question for a password is a message too: printed, and left unanswered.
    ServerStart::AskPassword = [this](const QString& prompt) -> std::optional<QString> {
        Show(TMessageKind::Confirm, prompt);
        return std::nullopt;
    };
    QCoreApplication::instance()->installEventFilter(this);
}

TStartCheck::~TStartCheck() {
    if (QCoreApplication* app = QCoreApplication::instance()) app->removeEventFilter(this);
    SetMessagePresenter(nullptr);
}

bool TStartCheck::Show(TMessageKind, const QString& text) {
    FMessageShown = true;
    Print(stderr, QStringLiteral("message: ") + text);
    return false;
}

int TStartCheck::Result(int exitCode) const {
    if (exitCode != 0) return exitCode;
    return FLoginShown && FLedgerOpen && !FMessageShown ? 0 : 1;
}

bool TStartCheck::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show && !FLoginShown)
        if (auto* login = qobject_cast<TfrmLogin*>(watched)) LoginShown(login);
    return false;
}

void TStartCheck::LoginShown(TfrmLogin* login) {
    FLoginShown = true;
    FLedgerOpen = dmMain && dmMain->cnHearthbook.isOpen();
    const bool open = FLedgerOpen;
    Print(stdout, QStringLiteral("login shown: ") + login->windowTitle());
    const TLedgerLocation& location = TLedgerLocation::Current();
    Print(stdout, QStringLiteral("ledger: ") +
                      (location.IsServer() ? location.Shown()
                                           : QFileInfo(Schema::LedgerFilePath()).absoluteFilePath()) +
                      (open ? QStringLiteral(" (open)") : QStringLiteral(" (not open)")));
    Print(stdout, QStringLiteral("help: ") + Found(TfrmBase::HelpFilePath()));
    Print(stdout, QStringLiteral("tax page: ") +
                      Found(TCommon::GetAppPath() + QStringLiteral("bank/computer/tax.html")));
    Print(stdout, QStringLiteral("settings: ") + TCommon::GetSettingsPath() +
                      QStringLiteral("fClient.ini"));
    // The ledger's check, running behind the login, is awaited (a damaged ledger's offer is a
    // message like any other); then the login is left as its 取消 button does: the program ends.
    QTimer::singleShot(0, login, [login] {
        LedgerRecovery::AwaitCheck();
        login->reject();
    });
}
